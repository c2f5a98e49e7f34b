// bench_filter: filters applied to every object of a big file, and what the
// model's entries take in memory.
//
//   bench_filter FILE [RUNS]
//
// Loads FILE with the model (best of RUNS) and prints the heap its entries take
// per object (target: at most about 100 bytes). Then applies each filter below
// to the whole file, as the viewer does when a filter field changes: the
// compile and TObjectFilter::Apply together, best of RUNS, with the file in
// the page cache (target: at most 20 ms for 20,000 objects, also for those that
// read the property values from the file).
#include "benchtime.h"
#include "core/objectfilter.h"
#include "core/quibfile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
#include <malloc.h>
#define BENCH_HEAP 1
#endif

namespace {

using TClock = TBenchClock;

// Bytes in use on the heap; -1 where the C library cannot tell.
long long HeapInUse()
{
#ifdef BENCH_HEAP
    const struct mallinfo2 Info = mallinfo2();
    return (long long)(Info.uordblks + Info.hblkhd);
#else
    return -1;
#endif
}

using TFilters = std::vector<std::pair<TFilterField, const char*>>;

const std::pair<const char*, TFilters> SCases[] = {
    {"kind and number", {{TFilterField::Type, "Table|Codeunit"}, {TFilterField::ID, "1..100|50000..59999"}}},
    {"name, ignoring case", {{TFilterField::Name, "@*sales*"}}},
    {"name, nested stars", {{TFilterField::Name, "*a*a*a*a*b"}}},
    {"version list", {{TFilterField::VersionList, "*DE*"}}},
    {"modified and date", {{TFilterField::Modified, "Yes"}, {TFilterField::Date, "01.01.08..31.12.10"}}},
    {"every field", {{TFilterField::Type, "<>Form"}, {TFilterField::ID, ">=1"}, {TFilterField::Name, "?*"},
                     {TFilterField::VersionList, "@orv*"}, {TFilterField::Modified, "<>No"},
                     {TFilterField::Date, "<>''"}, {TFilterField::Time, "..23:59:59"}}},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fputs("usage: bench_filter FILE [RUNS]\n", stderr);
        return 2;
    }
    const int Runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 7;
    try {
        long long Heap = -1;
        TObjectTextFile File;
        const double Load = BestSeconds(Runs, [&] {
            File.Close();
            const long long Before = HeapInUse();
            File.LoadFromFile(argv[1]);
            Heap = Before < 0 ? -1 : HeapInUse() - Before;
        });
        std::printf("objects %d, entry %zu bytes, load %.1f ms\n", File.Count(), sizeof(TObjectTextObject),
                    Load * 1e3);
        if (Heap >= 0 && File.Count() > 0)
            std::printf("heap    %.1f bytes per object (target <= 100)\n", double(Heap) / File.Count());
        std::printf("%-22s %9s %9s\n", "filter", "ms", "objects");
        for (const auto& [Name, Filters] : SCases) {
            std::size_t Passed = 0;
            const double Time = BestSeconds(Runs, [&, &Filters = Filters] {
                TObjectFilter Filter;
                for (const auto& [Field, Expression] : Filters)
                    Filter.Set(Field, Expression);
                Passed = Filter.Apply(File).size();
            });
            std::printf("%-22s %9.2f %9zu\n", Name, Time * 1e3, Passed);
        }
        std::printf("target: <= 20 ms for 20,000 objects\n");
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "bench_filter: %s\n", Error.what());
        return 1;
    }
    return 0;
}
