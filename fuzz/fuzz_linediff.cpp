// Fuzzes the line diff on two arbitrary texts, byte for byte and as a
// comparison that is not strict sees them:
//  - the edit script is well formed and turns the old lines into the new;
//  - it is as short as a plain O(ND) search says, where the texts are small;
//  - the unified hunks, applied as patch applies them, give the new text
//    (exactly, or as the loose comparison sees it);
//  - a text diff differs exactly when the comparison of the texts does;
//  - word marks lie inside their lines and leave the same text unmarked on
//    both sides.
//
// Input: a flag byte, then the old text (up to a backslash and a line break,
// as ConsumeRandomLengthString reads it), then the new. Flag bit 0 asks for a
// strict diff, bits 1 and 2 read each of the first thousand bytes as one of
// a few short lines, so that lines repeat, bits 3 to 5 give the context.
#include "fuzzcheck.h"

#include "core/compare.h"
#include "core/objectproperties.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

using namespace fuzzcheck;

namespace {

using TLines = std::vector<std::string_view>;

std::string Lines(const std::string& Text, int Alphabet)
{
    if (Alphabet == 0)
        return Text;
    // Few distinct lines: many ways to match them, and long common runs. A
    // thousand of them is plenty (and keeps a run quick).
    static const char* const Pieces[] = {"a\n", "b\n", "a\r\n", "\n", "    Date=1;\n", "c"};
    std::string Result;
    for (std::size_t I = 0; I < std::min<std::size_t>(Text.size(), 1000); ++I)
        Result += Pieces[static_cast<unsigned char>(Text[I]) % (Alphabet == 1 ? 2 : std::size(Pieces))];
    return Result;
}

// The loose comparison's view of a text, restated line by line: the values of
// Date, Time and Modified in its block left out, a CR before an LF dropped.
std::string Loosely(std::string_view Text)
{
    const TPropertySpans Spans = ReadPropertySpans(Text);
    std::vector<bool> Ignored(Text.size());
    for (const TObjectProperty Property : {TObjectProperty::Date, TObjectProperty::Time, TObjectProperty::Modified})
        for (std::size_t I = 0; I < Spans[std::size_t(Property)].Length; ++I)
            Ignored[Spans[std::size_t(Property)].Start + I] = true;
    std::string Result;
    for (std::size_t I = 0; I < Text.size(); ++I)
        if (!Ignored[I] && !(Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n'))
            Result += Text[I];
    return Result;
}

// Lines deleted plus inserted by a shortest script: Myers' greedy search.
std::int64_t ShortestEditCount(const TLines& A, const TLines& B)
{
    const std::int64_t N = std::int64_t(A.size()), M = std::int64_t(B.size()), Max = N + M;
    std::vector<std::int64_t> V(std::size_t(2 * Max + 3), 0);
    const auto At = [&](std::int64_t K) -> std::int64_t& { return V[std::size_t(K + Max + 1)]; };
    for (std::int64_t D = 0; D <= Max; ++D)
        for (std::int64_t K = -D; K <= D; K += 2) {
            std::int64_t X = (K == -D || (K != D && At(K - 1) < At(K + 1))) ? At(K + 1) : At(K - 1) + 1;
            std::int64_t Y = X - K;
            while (X < N && Y < M && A[std::size_t(X)] == B[std::size_t(Y)]) {
                ++X;
                ++Y;
            }
            At(K) = X;
            if (X >= N && Y >= M)
                return D;
        }
    return Max;
}

// The new text from the old lines: Equal runs taken from Old, Insert runs
// from New; checks the runs' form on the way.
std::string Applied(const TTextDiff& Diff)
{
    const TEditScript& Script = Diff.Script();
    std::string Result;
    std::int32_t I = 0, J = 0;
    for (std::size_t R = 0; R < Script.size(); ++R) {
        const TDiffRun& Run = Script[R];
        const std::string What = "run " + std::to_string(R) + " of " + std::to_string(Script.size());
        FUZZ_CHECK(Run.Count > 0 && Run.OldLine == I && Run.NewLine == J, What);
        FUZZ_CHECK(R == 0 || (Script[R - 1].Op != Run.Op &&
                              !(Script[R - 1].Op == TDiffOp::Insert && Run.Op == TDiffOp::Delete)),
                   What);
        for (std::int32_t K = 0; K < Run.Count; ++K) {
            if (Run.Op == TDiffOp::Equal)
                Result += Diff.OldLine(I);
            else if (Run.Op == TDiffOp::Insert)
                Result += Diff.NewLine(J);
            I += Run.Op != TDiffOp::Insert;
            J += Run.Op != TDiffOp::Delete;
        }
    }
    FUZZ_CHECK(I == Diff.OldLineCount() && J == Diff.NewLineCount(), "the script covers both texts");
    return Result;
}

// Unified hunks applied to the old lines as patch does, each line checked.
std::string Patched(const TLines& Old, const std::string& Hunks)
{
    const TLines Lines = SplitLines(Hunks);
    const std::string_view NoNewline = "\\ No newline at end of file\n";
    std::string Result;
    std::size_t Next = 0; // the next old line
    std::size_t L = 0;
    while (L < Lines.size()) {
        const std::string Header(Lines[L++]);
        // "@@ -A[,B] +C[,D] @@": a count left out is one.
        unsigned long OldStart = 0, OldCount = 1, NewStart = 0, NewCount = 1;
        const char* P = Header.c_str();
        const auto Number = [&P](unsigned long& Value) {
            char* End = nullptr;
            Value = std::strtoul(P, &End, 10);
            const bool Read = End != P;
            P = End;
            return Read;
        };
        const auto Skip = [&P](const char* Text) {
            const std::size_t Length = std::strlen(Text);
            const bool Found = std::strncmp(P, Text, Length) == 0;
            if (Found)
                P += Length;
            return Found;
        };
        const bool Parsed = Skip("@@ -") && Number(OldStart) && (!Skip(",") || Number(OldCount)) && Skip(" +") &&
                            Number(NewStart) && (!Skip(",") || Number(NewCount)) && Skip(" @@\n") && *P == 0;
        FUZZ_CHECK(Parsed, Header);
        const std::size_t First = OldCount == 0 ? OldStart : OldStart - 1;
        FUZZ_CHECK(First >= Next && First <= Old.size(), Header);
        for (; Next < First; ++Next)
            Result += Old[Next];
        unsigned long OldSeen = 0, NewSeen = 0;
        while (L < Lines.size() && Lines[L].substr(0, 2) != "@@") {
            const std::string_view Line = Lines[L++];
            FUZZ_CHECK(!Line.empty() && (Line[0] == ' ' || Line[0] == '-' || Line[0] == '+'), Header);
            std::string Content(Line.substr(1));
            if (L < Lines.size() && Lines[L] == NoNewline) {
                FUZZ_CHECK(!Content.empty() && Content.back() == '\n', Header);
                Content.pop_back();
                ++L;
            }
            if (Line[0] != '+') {
                FUZZ_CHECK(Next < Old.size() && Old[Next] == Content, Header + " line " + Content);
                ++Next;
                ++OldSeen;
            }
            if (Line[0] != '-') {
                Result += Content;
                ++NewSeen;
            }
        }
        FUZZ_CHECK(OldSeen == OldCount && NewSeen == NewCount, Header);
    }
    for (; Next < Old.size(); ++Next)
        Result += Old[Next];
    return Result;
}

void CheckMarks(std::string_view Old, std::string_view New, const TWordMarks& Marks)
{
    const auto Unmarked = [](std::string_view Line, const std::vector<TTextSpan>& Spans) {
        std::string Rest;
        std::int64_t At = 0;
        for (std::size_t S = 0; S < Spans.size(); ++S) {
            FUZZ_CHECK(Spans[S].Length > 0 && Spans[S].Start >= At && (S == 0 || Spans[S].Start > At) &&
                           std::size_t(Spans[S].Start) + std::size_t(Spans[S].Length) <= Line.size(),
                       "mark " + std::to_string(S));
            Rest.append(Line.substr(std::size_t(At), std::size_t(Spans[S].Start - At)));
            At = Spans[S].Start + Spans[S].Length;
        }
        return Rest.append(Line.substr(std::size_t(At)));
    };
    FUZZ_CHECK(Unmarked(Old, Marks.Old) == Unmarked(New, Marks.New), "unmarked text");
    FUZZ_CHECK((Old == New) == (Marks.Old.empty() && Marks.New.empty()), "marks of equal lines");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider In(Data, Size);
    const std::uint8_t Flags = In.ConsumeIntegral<std::uint8_t>();
    const bool Strict = Flags & 1;
    const int Alphabet = (Flags >> 1) & 3;
    const int Context = (Flags >> 3) & 7;
    const std::string Old = Lines(In.ConsumeRandomLengthString(), Alphabet);
    const std::string New = Lines(In.ConsumeRemainingBytesAsString(), Alphabet);
    const TCompareOptions Options{Strict};

    const TTextDiff Diff(Old, New, Options);
    const std::string Result = Applied(Diff);
    FUZZ_CHECK(Strict ? Result == New : Loosely(Result) == Loosely(New), "the script turns Old into New");
    FUZZ_CHECK(Diff.Differs() == TTextComparer(Options).Differ(Old, New), "the diff and the comparison agree");

    const TLines OldLines = SplitLines(Old), NewLines = SplitLines(New);
    if (Strict && OldLines.size() + NewLines.size() <= 400)
        FUZZ_CHECK(EditCount(Diff.Script()) == ShortestEditCount(OldLines, NewLines),
                   "shortest: " + std::to_string(EditCount(Diff.Script())) + " edits against " +
                       std::to_string(ShortestEditCount(OldLines, NewLines)));

    std::string Hunks;
    Diff.WriteUnified(Hunks, Context);
    const std::string Patch = Patched(OldLines, Hunks);
    FUZZ_CHECK(Strict ? Patch == New : Loosely(Patch) == Loosely(New), "the hunks turn Old into New\n" + Hunks);
    FUZZ_CHECK(Hunks.empty() == !Diff.Differs(), "hunks exactly for a difference");

    // Marks of the first replaced pair (their breaks left out), and of the
    // texts taken as one line each.
    const auto WithoutBreak = [](std::string_view Line) {
        if (!Line.empty() && Line.back() == '\n')
            Line.remove_suffix(1);
        if (!Line.empty() && Line.back() == '\r')
            Line.remove_suffix(1);
        return Line;
    };
    const TEditScript& Script = Diff.Script();
    for (std::size_t R = 0; R + 1 < Script.size(); ++R)
        if (Script[R].Op == TDiffOp::Delete && Script[R + 1].Op == TDiffOp::Insert) {
            const std::int32_t OldLine = Script[R].OldLine, NewLine = Script[R + 1].NewLine;
            CheckMarks(WithoutBreak(Diff.OldLine(OldLine)), WithoutBreak(Diff.NewLine(NewLine)),
                       Diff.WordMarks(OldLine, NewLine));
            break;
        }
    if (Old.size() <= 4096 && New.size() <= 4096)
        CheckMarks(Old, New, MarkWords(Old, New));
    return 0;
}
