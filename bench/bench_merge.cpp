// bench_merge: the three-way merge of big exports against loading them, and
// its conflicted objects against a line merge (git merge-file) of each
// object changed on both sides.
//
//   bench_merge BASE OURS THEIRS [--no-git]
//
// Prints the time to load the three files, the time of the merge (every
// object read, compared, merged and its text handed on), the peak resident
// memory, the objects of each status, and how many of the objects changed on
// both sides the structural merge and git merge-file leave in conflict.
#include "benchtime.h"
#include "core/merge/filemerge.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void WriteFile(const std::string& Name, std::string_view Text)
{
    std::ofstream(Name, std::ios::binary).write(Text.data(), std::streamsize(Text.size()));
}

// Whether git merge-file leaves the three texts in conflict.
bool LineMergeConflicts(std::string_view Base, std::string_view Ours, std::string_view Theirs)
{
    const std::string Dir = "/tmp/bench_merge." + std::to_string(::getpid());
    std::system(("mkdir -p " + Dir).c_str());
    WriteFile(Dir + "/base", Base);
    WriteFile(Dir + "/ours", Ours);
    WriteFile(Dir + "/theirs", Theirs);
    const int Status = std::system(("git merge-file -p -q " + Dir + "/ours " + Dir + "/base " + Dir +
                                    "/theirs > /dev/null 2>&1").c_str());
    return Status != 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_merge BASE OURS THEIRS [--no-git]\n");
        return 2;
    }
    const bool Git = !(argc > 4 && std::string(argv[4]) == "--no-git");
    TObjectTextFile Base, Ours, Theirs;
    const double Loaded = BestSeconds(1, [&] {
        Base.LoadFromFile(argv[1]);
        Ours.LoadFromFile(argv[2]);
        Theirs.LoadFromFile(argv[3]);
    });

    std::size_t Bytes = 0;
    std::vector<merge::TMergeEntry> Entries;
    const double Merged = BestSeconds(1, [&] {
        Entries = merge::MergeFiles(Base, Ours, Theirs, {},
                                    [&Bytes](const merge::TMergeEntry&, std::string_view Text) { Bytes += Text.size(); });
    });
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);

    int Counts[8] = {};
    for (const merge::TMergeEntry& Entry : Entries)
        ++Counts[int(Entry.Status)];
    std::printf("load of the three files: %.2f s\nmerge: %.2f s (%.2f x the load), %zu bytes merged\n", Loaded, Merged,
                Merged / Loaded, Bytes);
    std::printf("peak resident memory: %ld MiB\n", Usage.ru_maxrss / 1024);
    std::printf("objects: %zu; unchanged %d, ours %d, theirs %d, merged %d, added %d, deleted %d, conflict %d\n",
                Entries.size(), Counts[1], Counts[2], Counts[3], Counts[4], Counts[5], Counts[6], Counts[7]);
    if (!Git)
        return 0;
    // The objects both sides changed (as the merge sees them), merged by lines.
    merge::TFileMerger Merger(Base, Ours, Theirs);
    int BothChanged = 0, LineConflicts = 0, StructureConflicts = 0;
    for (merge::TMergeEntry& Entry : Entries) {
        if (Entry.Status != merge::TMergeStatus::Merged && !(Entry.Status == merge::TMergeStatus::Conflict &&
                                                              Entry.BaseIndex >= 0 && Entry.OursIndex >= 0 &&
                                                              Entry.TheirsIndex >= 0))
            continue;
        ++BothChanged;
        StructureConflicts += Entry.Status == merge::TMergeStatus::Conflict;
        LineConflicts += LineMergeConflicts(Merger.BaseObject(Entry)->GetText(), Merger.OursObject(Entry)->GetText(),
                                            Merger.TheirsObject(Entry)->GetText());
    }
    std::printf("objects changed on both sides: %d; in conflict: by structure %d, by git merge-file %d\n",
                BothChanged, StructureConflicts, LineConflicts);
    std::system(("rm -rf /tmp/bench_merge." + std::to_string(::getpid())).c_str());
    return 0;
}
