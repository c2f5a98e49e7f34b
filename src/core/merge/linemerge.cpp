#include "core/merge/linemerge.h"

#include "core/linediff.h"

#include <stdexcept>

namespace merge {

namespace {

std::vector<std::string_view> Keys(const std::vector<std::string_view>& Lines)
{
    std::vector<std::string_view> Result;
    Result.reserve(Lines.size());
    for (const std::string_view Line : Lines)
        Result.push_back(WithoutBreak(Line));
    return Result;
}

// For each base line, the line of the other version it is kept as; -1 where
// it is not kept.
std::vector<std::int32_t> KeptAs(const std::vector<std::string_view>& Base, const std::vector<std::string_view>& Other)
{
    std::vector<std::int32_t> Map(Base.size(), -1);
    for (const TDiffRun& Run : DiffLines(Base, Other))
        if (Run.Op == TDiffOp::Equal)
            for (std::int32_t I = 0; I < Run.Count; ++I)
                Map[std::size_t(Run.OldLine + I)] = Run.NewLine + I;
    return Map;
}

// Lines [From, To) of a text split by SplitLines, as one view into it.
std::string_view Span(const std::vector<std::string_view>& Lines, std::size_t From, std::size_t To)
{
    if (From >= To)
        return {};
    return std::string_view(Lines[From].data(), std::size_t(Lines[To - 1].data() + Lines[To - 1].size() - Lines[From].data()));
}

bool SameLines(const std::vector<std::string_view>& A, std::size_t AFrom, std::size_t ATo,
               const std::vector<std::string_view>& B, std::size_t BFrom, std::size_t BTo)
{
    if (ATo - AFrom != BTo - BFrom)
        return false;
    for (std::size_t I = 0; I < ATo - AFrom; ++I)
        if (A[AFrom + I] != B[BFrom + I])
            return false;
    return true;
}

// Two insertions at one place, each line once: lines both have where both
// have them, the others OURS' first. Both sides often insert the same lines
// (a copy of one change) with lines of their own.
void AppendUnion(const std::vector<std::string_view>& O, const std::vector<std::string_view>& OK, std::size_t J,
                 std::size_t OursEnd, const std::vector<std::string_view>& T, const std::vector<std::string_view>& TK,
                 std::size_t K, std::size_t TheirsEnd, TMergeWriter& Out)
{
    const std::vector<std::string_view> Ours(OK.begin() + std::ptrdiff_t(J), OK.begin() + std::ptrdiff_t(OursEnd));
    const std::vector<std::string_view> Theirs(TK.begin() + std::ptrdiff_t(K), TK.begin() + std::ptrdiff_t(TheirsEnd));
    for (const TDiffRun& Run : DiffLines(Ours, Theirs)) {
        if (Run.Op == TDiffOp::Insert)
            Out.Append(Span(T, K + std::size_t(Run.NewLine), K + std::size_t(Run.NewLine + Run.Count)));
        else
            Out.Append(Span(O, J + std::size_t(Run.OldLine), J + std::size_t(Run.OldLine + Run.Count)));
    }
}

} // namespace

void Resolve(TMergedText& Merged, std::size_t Index, TResolution Choice)
{
    if (Index >= Merged.Conflicts.size())
        throw std::out_of_range("No conflict " + std::to_string(Index));
    const TConflict Conflict = Merged.Conflicts[Index];
    std::string Chosen;
    switch (Choice) {
    case TResolution::Ours: Chosen = Conflict.Ours; break;
    case TResolution::Theirs: Chosen = Conflict.Theirs; break;
    case TResolution::OursThenTheirs: Chosen = Conflict.Ours + Conflict.Theirs; break;
    case TResolution::TheirsThenOurs: Chosen = Conflict.Theirs + Conflict.Ours; break;
    case TResolution::Base: Chosen = Conflict.Base; break;
    }
    Merged.Text.replace(Conflict.Start, Conflict.Length, Chosen);
    Merged.Conflicts.erase(Merged.Conflicts.begin() + std::ptrdiff_t(Index));
    for (std::size_t I = Index; I < Merged.Conflicts.size(); ++I)
        Merged.Conflicts[I].Start = Merged.Conflicts[I].Start - Conflict.Length + Chosen.size();
}

TMergeWriter::TMergeWriter(TMergedText& Out, const TMarkerStyle& Style, std::string_view Break)
    : FOut(Out), FStyle(Style), FBreak(Break)
{
}

void TMergeWriter::Append(std::string_view Text)
{
    // A last line without its break (at the end of one version) must not
    // run into the next.
    if (!Text.empty())
        EndLine(FOut.Text);
    const bool Crlf = FBreak == "\r\n";
    std::size_t From = 0;
    for (std::size_t At = Text.find('\n'); At != std::string_view::npos; At = Text.find('\n', At + 1)) {
        const bool HasCr = At > 0 && Text[At - 1] == '\r';
        if (HasCr == Crlf)
            continue;
        FOut.Text.append(Text.data() + From, At - From - (HasCr ? 1 : 0));
        FOut.Text.append(FBreak);
        From = At + 1;
    }
    FOut.Text.append(Text.data() + From, Text.size() - From);
}

void TMergeWriter::EndLine(std::string& Text) const
{
    // A last line that ends in CR is half of a CR LF: the LF completes it.
    if (!Text.empty() && Text.back() != '\n')
        Text.append(Text.back() == '\r' ? "\n" : FBreak);
}

std::string TMergeWriter::Lines(std::string_view Text) const
{
    TMergedText Converted;
    TMergeWriter(Converted, FStyle, FBreak).Append(Text);
    EndLine(Converted.Text);
    return std::move(Converted.Text);
}

void TMergeWriter::Marker(std::string_view Sign, std::string_view Label)
{
    FOut.Text.append(Sign);
    if (!Label.empty())
        FOut.Text.append(" ").append(Label);
    FOut.Text.append(FBreak);
}

void TMergeWriter::Conflict(std::string_view Base, std::string_view Ours, std::string_view Theirs)
{
    EndLine(FOut.Text); // a conflict starts on a line of its own
    TConflict Conflict;
    Conflict.Start = FOut.Text.size();
    Conflict.Base = Lines(Base);
    Conflict.Ours = Lines(Ours);
    Conflict.Theirs = Lines(Theirs);
    Marker("<<<<<<<", FStyle.Ours);
    FOut.Text.append(Conflict.Ours);
    if (FStyle.Diff3) {
        Marker("|||||||", FStyle.Base);
        FOut.Text.append(Conflict.Base);
    }
    Marker("=======", {});
    FOut.Text.append(Conflict.Theirs);
    Marker(">>>>>>>", FStyle.Theirs);
    Conflict.Length = FOut.Text.size() - Conflict.Start;
    FOut.Conflicts.push_back(std::move(Conflict));
}

std::string_view FirstBreak(std::string_view Text)
{
    const std::size_t At = Text.find('\n');
    return At != std::string_view::npos && At > 0 && Text[At - 1] == '\r' ? "\r\n" : "\n";
}

bool SameText(std::string_view A, std::string_view B, bool Strict)
{
    if (A == B)
        return true;
    if (Strict)
        return false;
    const std::vector<std::string_view> LinesA = SplitLines(A), LinesB = SplitLines(B);
    if (LinesA.size() != LinesB.size())
        return false;
    for (std::size_t I = 0; I < LinesA.size(); ++I)
        if (WithoutBreak(LinesA[I]) != WithoutBreak(LinesB[I]) ||
            (LinesA[I].back() == '\n') != (LinesB[I].back() == '\n'))
            return false;
    return true;
}

std::size_t MergeLines(std::string_view Base, std::string_view Ours, std::string_view Theirs, TMergeWriter& Out,
                       bool BothInsertions)
{
    const std::vector<std::string_view> B = SplitLines(Base), O = SplitLines(Ours), T = SplitLines(Theirs);
    const std::vector<std::string_view> BK = Keys(B), OK = Keys(O), TK = Keys(T);
    const std::vector<std::int32_t> ToOurs = KeptAs(BK, OK), ToTheirs = KeptAs(BK, TK);
    std::size_t Conflicts = 0;
    std::size_t I = 0, J = 0, K = 0; // base, ours, theirs
    while (I < B.size() || J < O.size() || K < T.size()) {
        // Lines all three keep, in a row.
        std::size_t N = 0;
        while (I + N < B.size() && ToOurs[I + N] == std::int32_t(J + N) && ToTheirs[I + N] == std::int32_t(K + N))
            ++N;
        if (N > 0) {
            Out.Append(Span(O, J, J + N));
            I += N;
            J += N;
            K += N;
            continue;
        }
        // Up to the next base line both sides keep: one place changed.
        std::size_t Next = I;
        while (Next < B.size() && (ToOurs[Next] < 0 || ToTheirs[Next] < 0))
            ++Next;
        const std::size_t OursEnd = Next < B.size() ? std::size_t(ToOurs[Next]) : O.size();
        const std::size_t TheirsEnd = Next < B.size() ? std::size_t(ToTheirs[Next]) : T.size();
        if (SameLines(BK, I, Next, OK, J, OursEnd))
            Out.Append(Span(T, K, TheirsEnd));
        else if (SameLines(BK, I, Next, TK, K, TheirsEnd) || SameLines(OK, J, OursEnd, TK, K, TheirsEnd))
            Out.Append(Span(O, J, OursEnd));
        else if (BothInsertions && Next == I)
            AppendUnion(O, OK, J, OursEnd, T, TK, K, TheirsEnd, Out);
        else {
            Out.Conflict(Span(B, I, Next), Span(O, J, OursEnd), Span(T, K, TheirsEnd));
            ++Conflicts;
        }
        I = Next;
        J = OursEnd;
        K = TheirsEnd;
    }
    return Conflicts;
}

} // namespace merge
