// bench_linediff: the line diff of one large object against changed copies.
//
//   bench_linediff [FILE] [SIZE_MB] [RUNS]
//
// Takes the largest object of FILE (a generated export; without one, a
// codeunit is made up), cut to SIZE_MB MiB (default 2, the largest real
// objects) at a line's end, and diffs it against copies changed in several
// ways, with TTextDiff as the compare view builds it (read texts in, script
// out, loose comparison). Prints the best of RUNS (default 5) for each, with
// the lines and edits, and the word marks of every replaced pair.
#include "core/compare.h"

#include "benchrandom.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

using TRandom = TBenchRandom;

std::string MadeUpObject(std::size_t Size, std::uint64_t Seed = 5)
{
    static const char* const Lines[] = {"    BEGIN", "    END;", "      IF Cust.FIND('-') THEN", "      REPEAT",
                                        "      UNTIL Cust.NEXT = 0;", "      Total := Total + Amount;", ""};
    std::string Text = "OBJECT Codeunit 50000 Made Up\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n"
                       "    Time=12:00:00;\r\n  }\r\n  CODE\r\n  {\r\n";
    TRandom Random(Seed);
    for (int N = 0; Text.size() < Size; ++N)
        Text += std::string(Lines[Random.Below(std::size(Lines))]) + " // " + std::to_string(N % 977) + "\r\n";
    return Text;
}

std::string LargestObject(const std::string& FileName, std::size_t Size)
{
    if (FileName.empty())
        return MadeUpObject(Size);
    TObjectTextFile File;
    File.LoadFromFile(FileName);
    std::int32_t Largest = 0;
    for (std::int32_t I = 1; I < File.Count(); ++I)
        if (File.Objects(I).Size() > File.Objects(Largest).Size())
            Largest = I;
    std::string Text = File.Objects(Largest).GetText();
    if (Text.size() > Size)
        Text.resize(Text.rfind('\n', Size) + 1);
    return Text;
}

// The text with Count of its lines (after the block) changed by Change.
std::string Edited(const std::string& Text, std::size_t Count, std::uint64_t Seed,
                   const std::function<void(std::string& Line, TRandom&)>& Change)
{
    std::vector<std::string> Lines;
    for (const std::string_view Line : SplitLines(Text))
        Lines.emplace_back(Line);
    TRandom Random(Seed);
    for (std::size_t N = 0; N < Count; ++N)
        Change(Lines[10 + Random.Below(Lines.size() - 10)], Random);
    std::string Result;
    for (const std::string& Line : Lines)
        Result += Line;
    return Result;
}

void Time(const char* Name, const std::string& Old, const std::string& New, int Runs)
{
    double Best = 1e9;
    TTextDiff Diff;
    for (int Run = 0; Run < Runs; ++Run) {
        const auto Start = TClock::now();
        Diff = TTextDiff(Old, New);
        Best = std::min(Best, std::chrono::duration<double>(TClock::now() - Start).count());
    }
    // Word marks of every replaced pair, as a view would draw them all.
    const auto MarksStart = TClock::now();
    std::size_t Pairs = 0;
    const TEditScript& Script = Diff.Script();
    for (std::size_t R = 0; R + 1 < Script.size(); ++R)
        if (Script[R].Op == TDiffOp::Delete && Script[R + 1].Op == TDiffOp::Insert)
            for (std::int32_t I = 0; I < std::min(Script[R].Count, Script[R + 1].Count); ++I, ++Pairs)
                Diff.WordMarks(Script[R].OldLine + I, Script[R + 1].NewLine + I);
    const double Marks = std::chrono::duration<double>(TClock::now() - MarksStart).count();
    std::printf("%-34s %7d -> %7d lines %7lld edits  diff %8.1f ms  marks of %6zu pairs %6.1f ms\n", Name,
                Diff.OldLineCount(), Diff.NewLineCount(), static_cast<long long>(EditCount(Script)), Best * 1000,
                Pairs, Marks * 1000);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string FileName = argc > 1 ? argv[1] : "";
    const double SizeMB = argc > 2 ? std::atof(argv[2]) : 2;
    const int Runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    try {
        const std::string Old = LargestObject(FileName, std::size_t(SizeMB * 1024 * 1024));
        std::printf("object of %zu bytes%s\n", Old.size(), FileName.empty() ? " (made up)" : "");
        const auto Append = [](std::string& Line, TRandom&) { Line.insert(Line.find_last_of('\r'), " // edited"); };
        const auto Insert = [](std::string& Line, TRandom& R) {
            Line = "      Inserted" + std::to_string(R.Next() % 100000) + " := 1;\r\n" + Line;
        };
        Time("same", Old, Old, Runs);
        Time("line breaks only", Old, [&] {
            std::string New;
            for (const char C : Old)
                if (C != '\r')
                    New += C;
            return New;
        }(), Runs);
        Time("10 lines changed", Old, Edited(Old, 10, 1, Append), Runs);
        Time("300 lines changed", Old, Edited(Old, 300, 2, Append), Runs);
        Time("3,000 lines changed", Old, Edited(Old, 3000, 3, Append), Runs);
        Time("300 lines inserted", Old, Edited(Old, 300, 4, Insert), Runs);
        Time("a fifth moved to the end", Old, [&] {
            const std::size_t Cut = Old.find('\n', Old.size() / 5) + 1;
            const std::size_t End = Old.find('\n', 2 * Old.size() / 5) + 1;
            return Old.substr(0, Cut) + Old.substr(End) + Old.substr(Cut, End - Cut);
        }(), Runs);
        Time("every line changed", Old, [&] {
            std::string New;
            for (const std::string_view Line : SplitLines(Old))
                New.append(Line.substr(0, Line.find('\r'))).append(" // edited\r\n");
            return New;
        }(), Runs);
        // The same few lines in another order: the most work for the least gain.
        Time("against a made-up object", Old, MadeUpObject(Old.size(), 6), Runs);
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "bench_linediff: %s\n", Error.what());
        return 2;
    }
    return 0;
}
