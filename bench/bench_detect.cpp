// bench_detect: the code-page detection of every object of a file, against
// the time the model takes to load it.
//
//   bench_detect FILE [RUNS]
//
// Loads FILE with the model (best of RUNS), then, object by object, reads its
// text (not timed) and runs the detection on it, as the viewer does when it
// first shows an object: the text has just been read and is in the cache.
// The sum of the detections is timed (best of RUNS). Prints both times, their
// ratio (target: at most 0.3) and how many objects got which encoding.
//
// Then the detection from the whole file, as the companion runs it after a
// load and the viewer beside it: every object read again through a reader of
// its own and scored, the scores added up. Timed with its reads (best of
// RUNS); prints its ratio to the load, the file's code
// page and how many objects got which encoding from it.
#include "benchtime.h"
#include "core/codepages.h"
#include "core/fileencodings.h"
#include "core/quibfile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

using TClock = TBenchClock;

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fputs("usage: bench_detect FILE [RUNS]\n", stderr);
        return 2;
    }
    const int Runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    try {
        TObjectTextFile File;
        const double Load = BestSeconds(Runs, [&] { File.LoadFromFile(argv[1]); });
        std::size_t Bytes = 0;
        std::map<std::string, int> Found;
        double Detect = 1e30, Score = 1e30;
        for (int Run = 0; Run < Runs; ++Run) {
            Found.clear();
            Bytes = 0;
            double Sum = 0;
            for (std::int32_t I = 0; I < File.Count(); ++I) {
                const std::string Text = File.Objects(I).GetText();
                Bytes += Text.size();
                const auto Start = TClock::now();
                const auto Encoding = codepages::Detect(Text);
                Sum += std::chrono::duration<double>(TClock::now() - Start).count();
                ++Found[Encoding ? std::string(codepages::Name(*Encoding)) : "ascii"];
            }
            Detect = std::min(Detect, Sum);
            Sum = 0;
            for (std::int32_t I = 0; I < File.Count(); ++I) {
                const std::string Text = File.Objects(I).GetText();
                const auto Start = TClock::now();
                const codepages::TTextScores Scores = codepages::ScoreText(Text);
                Sum += std::chrono::duration<double>(TClock::now() - Start).count();
                Bytes += Scores.Impossible & 0;  // kept, not optimised away
            }
            Score = std::min(Score, Sum);
        }
        std::printf("objects %d, %.1f MB\n", File.Count(), double(Bytes) / 1e6);
        std::printf("load    %8.1f ms\n", Load * 1e3);
        std::printf("detect  %8.1f ms  (%.2f GB/s)\n", Detect * 1e3, double(Bytes) / Detect / 1e9);
        std::printf("ratio   %8.2f  (target <= 0.30)\n", Detect / Load);
        for (const auto& [Name, Count] : Found)
            std::printf("  %-8s %d\n", Name.c_str(), Count);
        std::printf("score   %8.1f ms  (%.2f x detect)\n", Score * 1e3, Score / Detect);

        const std::vector<TByteRange> Ranges = ObjectRanges(File);
        std::optional<TFileEncodings> Whole;
        const double WholeSeconds = BestSeconds(Runs, [&] {
            const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
            Whole = DetectFileEncodings(*Reader, Ranges);
        });
        std::map<std::string, int> InFile;
        for (std::int32_t I = 0; I < Whole->Count(); ++I) {
            const auto Encoding = Whole->ForObject(I);
            ++InFile[Encoding ? std::string(codepages::Name(*Encoding)) : "ascii"];
        }
        const auto CodePage = Whole->CodePage();
        std::printf("file    %8.1f ms  (reads included)\n", WholeSeconds * 1e3);
        std::printf("ratio   %8.2f  (of the load)\n", WholeSeconds / Load);
        std::printf("file's code page: %s\n", CodePage ? std::string(codepages::Name(*CodePage)).c_str() : "none");
        for (const auto& [Name, Count] : InFile)
            std::printf("  %-8s %d\n", Name.c_str(), Count);
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "bench_detect: %s\n", Error.what());
        return 1;
    }
    return 0;
}
