#include "core/linediff.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <unordered_map>

namespace {

using TIds = std::vector<std::uint32_t>;

struct TMatch {
    std::int32_t Old;
    std::int32_t New;
};

// Numbers equal pieces alike, so that the diff compares numbers, not bytes.
class TNumbering {
public:
    explicit TNumbering(std::size_t Expected) { FIds.reserve(Expected); }
    std::uint32_t operator()(std::string_view Piece)
    {
        return FIds.emplace(Piece, std::uint32_t(FIds.size())).first->second;
    }
    std::uint32_t Count() const { return std::uint32_t(FIds.size()); }

private:
    std::unordered_map<std::string_view, std::uint32_t> FIds;
};

// The matched pairs of a longest common subsequence of A and B, in order.
std::vector<TMatch> Matches(const TIds& A, const TIds& B, std::uint32_t IdCount)
{
    std::vector<TMatch> Result;
    const std::int32_t M = std::int32_t(A.size());
    const std::int32_t N = std::int32_t(B.size());
    std::int32_t Head = 0;
    while (Head < M && Head < N && A[std::size_t(Head)] == B[std::size_t(Head)]) {
        Result.push_back({Head, Head});
        ++Head;
    }
    std::int32_t Tail = 0;
    while (Tail < M - Head && Tail < N - Head && A[std::size_t(M - 1 - Tail)] == B[std::size_t(N - 1 - Tail)])
        ++Tail;

    // What occurs nowhere in the other middle cannot be kept: leaving it out
    // changes no common subsequence, and the diff sees far fewer elements.
    std::vector<std::uint8_t> InA(IdCount), InB(IdCount);
    for (std::int32_t I = Head; I < M - Tail; ++I)
        InA[A[std::size_t(I)]] = 1;
    for (std::int32_t J = Head; J < N - Tail; ++J)
        InB[B[std::size_t(J)]] = 1;
    TIds KeptA, KeptB;
    std::vector<std::int32_t> IndexA, IndexB;
    for (std::int32_t I = Head; I < M - Tail; ++I)
        if (InB[A[std::size_t(I)]]) {
            KeptA.push_back(A[std::size_t(I)]);
            IndexA.push_back(I);
        }
    for (std::int32_t J = Head; J < N - Tail; ++J)
        if (InA[B[std::size_t(J)]]) {
            KeptB.push_back(B[std::size_t(J)]);
            IndexB.push_back(J);
        }
    if (!KeptA.empty() && !KeptB.empty()) {
        dtl::Diff<std::uint32_t> Diff(KeptA, KeptB);
        Diff.compose();
        std::size_t I = 0, J = 0;
        for (const auto& Element : Diff.getSes().getSequence()) {
            switch (Element.second.type) {
            case dtl::SES_COMMON: Result.push_back({IndexA[I++], IndexB[J++]}); break;
            case dtl::SES_DELETE: ++I; break;
            case dtl::SES_ADD: ++J; break;
            }
        }
    }
    for (std::int32_t T = Tail; T > 0; --T)
        Result.push_back({M - T, N - T});
    return Result;
}

void AddRun(TEditScript& Script, TDiffOp Op, std::int32_t OldLine, std::int32_t NewLine, std::int32_t Count)
{
    if (Count == 0)
        return;
    if (!Script.empty() && Script.back().Op == Op)
        Script.back().Count += Count;
    else
        Script.push_back({Op, OldLine, NewLine, Count});
}

// The script between the matches: what lies between two of them is deleted,
// then inserted.
TEditScript ScriptOf(const std::vector<TMatch>& Matched, std::int32_t M, std::int32_t N)
{
    TEditScript Script;
    std::int32_t I = 0, J = 0;
    const auto Gap = [&](std::int32_t ToOld, std::int32_t ToNew) {
        AddRun(Script, TDiffOp::Delete, I, J, ToOld - I);
        AddRun(Script, TDiffOp::Insert, ToOld, J, ToNew - J);
        I = ToOld;
        J = ToNew;
    };
    for (const TMatch& Match : Matched) {
        Gap(Match.Old, Match.New);
        AddRun(Script, TDiffOp::Equal, I, J, 1);
        ++I;
        ++J;
    }
    Gap(M, N);
    return Script;
}

// --- words -------------------------------------------------------------------

bool IsWordByte(unsigned char C)
{
    return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' || C >= 0x80;
}

bool IsBlank(unsigned char C) { return C == ' ' || C == '\t'; }

std::vector<std::string_view> Words(std::string_view Line)
{
    std::vector<std::string_view> Result;
    std::size_t P = 0;
    while (P < Line.size()) {
        const unsigned char C = static_cast<unsigned char>(Line[P]);
        std::size_t End = P + 1;
        if (IsWordByte(C))
            while (End < Line.size() && IsWordByte(static_cast<unsigned char>(Line[End])))
                ++End;
        else if (IsBlank(C))
            while (End < Line.size() && IsBlank(static_cast<unsigned char>(Line[End])))
                ++End;
        Result.push_back(Line.substr(P, End - P));
        P = End;
    }
    return Result;
}

void Mark(std::vector<TTextSpan>& Marks, std::string_view Line, std::string_view Word)
{
    const std::int32_t Start = std::int32_t(Word.data() - Line.data());
    if (!Marks.empty() && Marks.back().Start + Marks.back().Length == Start)
        Marks.back().Length += std::int32_t(Word.size());
    else
        Marks.push_back({Start, std::int32_t(Word.size())});
}

// --- unified hunks -------------------------------------------------------------

void AppendRange(std::string& Out, std::int32_t Start, std::int32_t Count)
{
    // As diff writes it: the first line, 1-based, and the count unless it is
    // one; an empty range names the line before it.
    Out += std::to_string(Count == 0 ? Start : Start + 1);
    if (Count != 1)
        Out.append(",").append(std::to_string(Count));
}

void AppendLine(std::string& Out, char Mark, std::string_view Line)
{
    Out += Mark;
    Out.append(Line.data(), Line.size());
    if (Line.empty() || Line.back() != '\n')
        Out += "\n\\ No newline at end of file\n";
}

// A run of changed lines: Delete, Insert or both.
struct TChange {
    std::int32_t OldLine, OldCount, NewLine, NewCount;
};

} // namespace

std::vector<std::string_view> SplitLines(std::string_view Text)
{
    std::vector<std::string_view> Lines;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        const std::size_t Break = Text.find('\n', Start);
        const std::size_t End = Break == std::string_view::npos ? Text.size() : Break + 1;
        Lines.push_back(Text.substr(Start, End - Start));
        Start = End;
    }
    return Lines;
}

std::string_view WithoutBreak(std::string_view Line)
{
    if (!Line.empty() && Line.back() == '\n')
        Line.remove_suffix(1);
    if (!Line.empty() && Line.back() == '\r')
        Line.remove_suffix(1);
    return Line;
}

TEditScript DiffLines(const std::vector<std::string_view>& Old, const std::vector<std::string_view>& New)
{
    TNumbering Number(Old.size() + New.size());
    TIds A, B;
    A.reserve(Old.size());
    B.reserve(New.size());
    for (const std::string_view Line : Old)
        A.push_back(Number(Line));
    for (const std::string_view Line : New)
        B.push_back(Number(Line));
    return ScriptOf(Matches(A, B, Number.Count()), std::int32_t(Old.size()), std::int32_t(New.size()));
}

std::int64_t EditCount(const TEditScript& Script)
{
    std::int64_t Count = 0;
    for (const TDiffRun& Run : Script)
        if (Run.Op != TDiffOp::Equal)
            Count += Run.Count;
    return Count;
}

TWordMarks MarkWords(std::string_view OldLine, std::string_view NewLine)
{
    TWordMarks Marks;
    if (OldLine == NewLine)
        return Marks;
    const std::vector<std::string_view> OldWords = Words(OldLine);
    const std::vector<std::string_view> NewWords = Words(NewLine);
    if (std::int64_t(OldWords.size()) > MaxWords || std::int64_t(NewWords.size()) > MaxWords) {
        if (!OldLine.empty())
            Marks.Old.push_back({0, std::int32_t(OldLine.size())});
        if (!NewLine.empty())
            Marks.New.push_back({0, std::int32_t(NewLine.size())});
        return Marks;
    }
    TNumbering Number(OldWords.size() + NewWords.size());
    TIds A, B;
    for (const std::string_view Word : OldWords)
        A.push_back(Number(Word));
    for (const std::string_view Word : NewWords)
        B.push_back(Number(Word));
    std::size_t I = 0, J = 0;
    const auto MarkUpTo = [&](std::size_t ToOld, std::size_t ToNew) {
        for (; I < ToOld; ++I)
            Mark(Marks.Old, OldLine, OldWords[I]);
        for (; J < ToNew; ++J)
            Mark(Marks.New, NewLine, NewWords[J]);
    };
    for (const TMatch& Match : Matches(A, B, Number.Count())) {
        MarkUpTo(std::size_t(Match.Old), std::size_t(Match.New));
        ++I;
        ++J;
    }
    MarkUpTo(OldWords.size(), NewWords.size());
    return Marks;
}

void WriteUnifiedHunks(std::string& Out, const std::vector<std::string_view>& Old,
                       const std::vector<std::string_view>& New, const TEditScript& Script, int Context)
{
    Context = std::max(Context, 0);
    std::vector<TChange> Changes;
    for (const TDiffRun& Run : Script) {
        if (Run.Op == TDiffOp::Equal)
            continue;
        if (Changes.empty() || Changes.back().OldLine + Changes.back().OldCount != Run.OldLine ||
            Changes.back().NewLine + Changes.back().NewCount != Run.NewLine)
            Changes.push_back({Run.OldLine, 0, Run.NewLine, 0});
        (Run.Op == TDiffOp::Delete ? Changes.back().OldCount : Changes.back().NewCount) += Run.Count;
    }
    const std::int32_t OldCount = std::int32_t(Old.size());
    std::size_t First = 0;
    while (First < Changes.size()) {
        // The changes of one hunk: no more than twice the context apart.
        std::size_t Last = First;
        while (Last + 1 < Changes.size() &&
               Changes[Last + 1].OldLine - (Changes[Last].OldLine + Changes[Last].OldCount) <= 2 * Context)
            ++Last;
        // Unchanged lines precede a change in equal numbers on both sides.
        const std::int32_t Before = std::min(Context, Changes[First].OldLine);
        const TChange& End = Changes[Last];
        const std::int32_t After = std::min(Context, OldCount - (End.OldLine + End.OldCount));
        const std::int32_t OldStart = Changes[First].OldLine - Before;
        const std::int32_t NewStart = Changes[First].NewLine - Before;
        Out += "@@ -";
        AppendRange(Out, OldStart, End.OldLine + End.OldCount + After - OldStart);
        Out += " +";
        AppendRange(Out, NewStart, End.NewLine + End.NewCount + After - NewStart);
        Out += " @@\n";
        std::int32_t Line = OldStart; // the next old line to write
        for (std::size_t C = First; C <= Last; ++C) {
            const TChange& Change = Changes[C];
            for (; Line < Change.OldLine; ++Line)
                AppendLine(Out, ' ', Old[std::size_t(Line)]);
            for (std::int32_t I = 0; I < Change.OldCount; ++I)
                AppendLine(Out, '-', Old[std::size_t(Change.OldLine + I)]);
            for (std::int32_t I = 0; I < Change.NewCount; ++I)
                AppendLine(Out, '+', New[std::size_t(Change.NewLine + I)]);
            Line = Change.OldLine + Change.OldCount;
        }
        for (const std::int32_t Stop = Line + After; Line < Stop; ++Line)
            AppendLine(Out, ' ', Old[std::size_t(Line)]);
        First = Last + 1;
    }
}
