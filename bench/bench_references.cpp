// The where-used index on a big file: its build time against the load's, the
// bytes it holds against the file's, and, for the most referred-to objects,
// that the index answers what the companion's one-target scan answers, with
// and without the look for the target on the load's own pass (which, with
// its scan, should take within twice the load).
//
//   bench_references FILE [TARGETS]
#include "benchtime.h"

#include "core/references/referenceindex.h"
#include "core/references/targetfilter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_references FILE [TARGETS]\n", stderr);
        return 2;
    }
    const int Targets = argc > 2 ? std::atoi(argv[2]) : 5;
    TObjectTextFile File;
    const double Load = BestSeconds(3, [&] { File.LoadFromFile(argv[1]); });
    std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    references::TReferenceIndex Index(File);
    const double Build = BestSeconds(3, [&] { Index.Build(*Reader); });
    const double Size = double(File.SplitThrough());
    std::printf("%d objects, %.1f MB: load %.3f s, index %.3f s (%.2f x load), index %.2f MB (%.4f of the file)\n",
                File.Count(), Size / 1e6, Load, Build, Build / Load, double(Index.MemoryUsed()) / 1e6,
                double(Index.MemoryUsed()) / Size);

    // The most referred-to objects: the index against the scan.
    std::map<std::int32_t, int> Referrers;
    for (std::int32_t I = 0; I < File.Count(); ++I)
        for (const references::TDependency& Dependency : Index.DepsOf(I))
            if (Dependency.Target.Object >= 0)
                ++Referrers[Dependency.Target.Object];
    std::vector<std::pair<int, std::int32_t>> Ranked;
    for (const auto& [Object, Count] : Referrers)
        Ranked.push_back({Count, Object});
    std::sort(Ranked.rbegin(), Ranked.rend());
    int Failures = 0;
    for (int I = 0; I < Targets && I < int(Ranked.size()); ++I) {
        const references::TTarget Target = Index.TargetOf(Ranked[std::size_t(I)].second);
        std::vector<references::TPlace> Scanned;
        const double Scan = BestSeconds(1, [&] {
            Index.ScanFor(Target, "", *Reader,
                          [&](const references::TPlace& Place, std::string_view) { Scanned.push_back(Place); });
        });
        const std::vector<references::TPlace> Indexed = Index.RefsTo(Target);
        // Loaded again, the filter watching, and scanned; the same objects,
        // so the index still fits. The reader goes first: it shares the file's hold.
        std::vector<references::TPlace> Narrowed;
        const double Filtered = BestSeconds(3, [&] {
            Reader.reset();
            references::TLoadFilter Filter(File, Target.Type, Target.ID);
            File.SetOnRead([&Filter](const char* Bytes, std::int64_t Position, std::int64_t Length) {
                Filter.Read(Bytes, Position, Length);
            });
            File.LoadFromFile(argv[1]);
            File.SetOnRead({});
            Filter.Finish();
            Reader = File.SecondReader();
            Narrowed.clear();
            Index.ScanFor(Target, "", *Reader,
                          [&](const references::TPlace& Place, std::string_view) { Narrowed.push_back(Place); }, Filter);
        });
        const bool Same = Scanned == Indexed && Narrowed == Indexed;
        Failures += !Same;
        std::printf("%s %d: %zu references in %d objects, scan %.3f s; load with the filter and its scan %.3f s "
                    "(%.2f x load), %s\n",
                    ObjectTypeNames[Target.Type].c_str(), Target.ID, Indexed.size(), Ranked[std::size_t(I)].first, Scan,
                    Filtered, Filtered / Load, Same ? "same" : "DIFFERENT");
    }
    return Failures ? 1 : 0;
}
