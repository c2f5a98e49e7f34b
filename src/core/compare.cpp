#include "core/compare.h"

#include "core/objectproperties.h"
#include "core/simd.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// What patch takes for a file that is not there (diff -N writes it too).
const char* const SAbsentStamp = "\t1970-01-01 00:00:00.000000000 +0000";

// The text's lines as a comparison that is not strict sees them, one after
// the other in Keys: the values of Date, Time and Modified left out and a CR
// before an LF dropped; in Ends, where each line ends in Keys.
void NormalisedLines(std::string_view Text, std::string& Keys, std::vector<std::int32_t>& Ends)
{
    const TPropertySpans Spans = ReadPropertySpans(Text);
    std::array<TPropertySpan, 3> Ignored = {Spans[std::size_t(TObjectProperty::Date)],
                                            Spans[std::size_t(TObjectProperty::Time)],
                                            Spans[std::size_t(TObjectProperty::Modified)]};
    std::sort(Ignored.begin(), Ignored.end(),
              [](const TPropertySpan& A, const TPropertySpan& B) { return A.Start < B.Start; });
    std::size_t Next = 0; // the first span not passed yet
    Keys.clear();
    Keys.reserve(Text.size());
    std::size_t Start = 0;
    while (Start < Text.size()) {
        const std::size_t Break = Text.find('\n', Start);
        const std::size_t End = Break == std::string_view::npos ? Text.size() : Break + 1;
        const std::size_t KeyStart = Keys.size();
        std::size_t From = Start;
        for (; Next < Ignored.size() && Ignored[Next].Start < End; ++Next) {
            // A value lies within one line (it ends at the first CR, LF or NUL).
            const std::size_t SpanStart = std::max<std::size_t>(Ignored[Next].Start, From);
            const std::size_t SpanEnd = std::min<std::size_t>(Ignored[Next].Start + Ignored[Next].Length, End);
            if (SpanStart >= SpanEnd)
                continue;
            Keys.append(Text.data() + From, SpanStart - From);
            From = SpanEnd;
        }
        Keys.append(Text.data() + From, End - From);
        if (Break != std::string_view::npos && Keys.size() - KeyStart >= 2 && Keys[Keys.size() - 2] == '\r')
            Keys.erase(Keys.size() - 2, 1);
        Ends.push_back(std::int32_t(Keys.size()));
        Start = End;
    }
}

// The values of Date, Time and Modified in a text, in the order they lie:
// what a comparison that is not strict steps over.
class TSkippedValues {
public:
    explicit TSkippedValues(std::string_view Text) : FSize(Text.size())
    {
        FValues.fill({FSize, FSize});
        const TPropertySpans Spans = ReadPropertySpans(Text);
        for (const TObjectProperty Property : {TObjectProperty::Date, TObjectProperty::Time, TObjectProperty::Modified})
            if (const TPropertySpan Span = Spans[std::size_t(Property)]; Span.Length > 0 && Span.Start < FSize)
                FValues[FCount++] = {Span.Start, std::min<std::size_t>(Span.Start + Span.Length, FSize)};
        std::sort(FValues.begin(), FValues.end()); // those not there last, at the end
        // Values lie on lines of their own; were two to overlap, the walk
        // must still never step back.
        for (std::size_t I = 1; I < FCount; ++I) {
            FValues[I].first = std::max(FValues[I].first, FValues[I - 1].second);
            FValues[I].second = std::max(FValues[I].second, FValues[I].first);
        }
    }
    // Where the next value starts; the text's end when none is left.
    std::size_t Stop() const { return FNext < FCount ? FValues[FNext].first : FSize; }
    bool AtValue(std::size_t Position) const { return FNext < FCount && FValues[FNext].first == Position; }
    // Past the value that starts at Stop(): where its text goes on.
    std::size_t Pass() { return FValues[FNext++].second; }

private:
    std::array<std::pair<std::size_t, std::size_t>, 3> FValues; // start and end
    std::size_t FCount = 0, FNext = 0, FSize;
};

// How many bytes from A and B on are the same, up to Limit.
std::size_t CommonLength(const char* A, const char* B, std::size_t Limit)
{
    std::size_t N = 0;
#ifdef QUIB_SSE2
    for (; Limit - N >= 16; N += 16) {
        const __m128i Same = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(A + N)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(B + N)));
        if (const unsigned Differ = ~unsigned(_mm_movemask_epi8(Same)) & 0xFFFFu)
            return N + simd::CountTrailingZeros(Differ);
    }
#endif
    while (N < Limit && A[N] == B[N])
        ++N;
    return N;
}

// Whether the texts differ as NormalisedLines sees them, walked in place: the
// values are stepped over and a CR before an LF is passed by. That holds
// because a value lies within one line's text, so no CR is ever next to one
// (see core/objectproperties.h).
bool DifferLoosely(std::string_view Old, std::string_view New)
{
    TSkippedValues OldValues(Old), NewValues(New);
    const char* const A = Old.data();
    const char* const B = New.data();
    std::size_t I = 0, J = 0;
    for (;;) {
        const std::size_t OldStop = OldValues.Stop(), NewStop = NewValues.Stop();
        const std::size_t Run = CommonLength(A + I, B + J, std::min(OldStop - I, NewStop - J));
        I += Run;
        J += Run;
        if (OldValues.AtValue(I)) {
            I = OldValues.Pass();
            continue;
        }
        if (NewValues.AtValue(J)) {
            J = NewValues.Pass();
            continue;
        }
        const bool OldEnd = I == Old.size(), NewEnd = J == New.size();
        if (OldEnd && NewEnd)
            return false;
        // The bytes differ here, or one text has ended. A CR that both have
        // just passed goes where an LF follows it: after it on one side only,
        // one text keeps it and the other does not.
        if (I > 0 && A[I - 1] == '\r' && ((!OldEnd && A[I] == '\n') || (!NewEnd && B[J] == '\n')))
            return true;
        if (OldEnd || NewEnd)
            return true;
        if (B[J] == '\n' && A[I] == '\r' && I + 1 < Old.size() && A[I + 1] == '\n')
            ++I;
        else if (A[I] == '\n' && B[J] == '\r' && J + 1 < New.size() && B[J + 1] == '\n')
            ++J;
        else
            return true;
    }
}

std::vector<std::int32_t> LineStarts(std::string_view Text)
{
    std::vector<std::int32_t> Starts{0};
    for (const std::string_view Line : SplitLines(Text))
        Starts.push_back(Starts.back() + std::int32_t(Line.size()));
    return Starts;
}

std::string_view LineOf(const std::string& Text, const std::vector<std::int32_t>& Starts, std::int32_t Index)
{
    if (Index < 0 || std::size_t(Index) + 1 >= Starts.size())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return std::string_view(Text).substr(std::size_t(Starts[std::size_t(Index)]),
                                         std::size_t(Starts[std::size_t(Index) + 1] - Starts[std::size_t(Index)]));
}

// The lines as the comparison sees them: views into Text, or into Keys.
std::vector<std::string_view> ComparedLines(std::string_view Text, const TCompareOptions& Options, std::string& Keys)
{
    if (Options.Strict)
        return SplitLines(Text);
    std::vector<std::int32_t> Ends;
    NormalisedLines(Text, Keys, Ends);
    std::vector<std::string_view> Lines;
    Lines.reserve(Ends.size());
    std::int32_t Start = 0;
    for (const std::int32_t End : Ends) {
        Lines.push_back(std::string_view(Keys).substr(std::size_t(Start), std::size_t(End - Start)));
        Start = End;
    }
    return Lines;
}

} // namespace

std::vector<TCompareEntry> MatchObjects(const TObjectTextFile& Old, const TObjectTextFile& New)
{
    struct TKeyed {
        int Kind; // the known kinds in their order, then the unknown ones
        std::string_view Word; // an unknown kind's word: "Bogus 5" is no "Other 5"
        std::int32_t ID;
        std::int32_t Index;
    };
    const auto Before = [](const TKeyed& A, const TKeyed& B) {
        if (A.Kind != B.Kind)
            return A.Kind < B.Kind;
        if (A.Word != B.Word)
            return A.Word < B.Word;
        return A.ID < B.ID;
    };
    const auto Sorted = [&Before](const TObjectTextFile& File) {
        std::vector<TKeyed> Keyed;
        Keyed.reserve(std::size_t(File.Count()));
        for (std::int32_t I = 0; I < File.Count(); ++I) {
            const TObjectTextObject& Object = File.Objects(I);
            const TObjectType Kind = Object.ObjectType();
            Keyed.push_back(
                {Kind == otUnknown ? ObjectTypeCount : int(Kind), Object.UnknownKindWord(), Object.ID(), I});
        }
        // Stable: a kind and number that recurs keeps its order of occurrence.
        std::stable_sort(Keyed.begin(), Keyed.end(), Before);
        return Keyed;
    };
    const std::vector<TKeyed> A = Sorted(Old);
    const std::vector<TKeyed> B = Sorted(New);
    std::vector<TCompareEntry> Entries;
    Entries.reserve(std::max(A.size(), B.size()));
    std::size_t I = 0, J = 0;
    while (I < A.size() || J < B.size()) {
        const bool TakeOld = J == B.size() || (I < A.size() && !Before(B[J], A[I]));
        const bool TakeNew = I == A.size() || (J < B.size() && !Before(A[I], B[J]));
        TCompareEntry Entry;
        const TKeyed& Key = TakeOld ? A[I] : B[J];
        Entry.ObjectType = Key.Kind == ObjectTypeCount ? otUnknown : TObjectType(Key.Kind);
        Entry.ID = Key.ID;
        if (TakeOld)
            Entry.OldIndex = A[I++].Index;
        if (TakeNew)
            Entry.NewIndex = B[J++].Index;
        Entry.Status = !TakeNew ? TCompareStatus::Deleted : !TakeOld ? TCompareStatus::Added : TCompareStatus::Pending;
        Entries.push_back(Entry);
    }
    return Entries;
}

bool TTextComparer::Differ(std::string_view Old, std::string_view New)
{
    if (Old.size() == New.size() && std::memcmp(Old.data(), New.data(), Old.size()) == 0)
        return false;
    return FOptions.Strict || DifferLoosely(Old, New);
}

bool TTextComparer::Differ(const TObjectTextObject& Old, const TObjectTextObject& New)
{
    if (FOptions.Strict && Old.Size() != New.Size())
        return true;
    return Differ(Old.ReadTextInto(FOldText), New.ReadTextInto(FNewText));
}

std::vector<TCompareEntry> CompareFiles(const TObjectTextFile& Old, const TObjectTextFile& New,
                                        const TCompareOptions& Options, const TCompareProgress& Progress)
{
    std::vector<TCompareEntry> Entries = MatchObjects(Old, New);
    std::vector<TCompareEntry*> Pairs;
    for (TCompareEntry& Entry : Entries)
        if (Entry.Status == TCompareStatus::Pending)
            Pairs.push_back(&Entry);
    // In the order of the old file, which is mostly the new file's too: both
    // are then read front to back.
    std::sort(Pairs.begin(), Pairs.end(),
              [](const TCompareEntry* A, const TCompareEntry* B) { return A->OldIndex < B->OldIndex; });
    TTextComparer Comparer(Options);
    const std::int32_t Total = std::int32_t(Pairs.size());
    std::int32_t Done = 0;
    for (TCompareEntry* Entry : Pairs) {
        Entry->Status = Comparer.Differ(Old.Objects(Entry->OldIndex), New.Objects(Entry->NewIndex))
                            ? TCompareStatus::Changed
                            : TCompareStatus::Identical;
        ++Done;
        if (Progress && !Progress(Done, Total))
            break;
    }
    return Entries;
}

TTextDiff::TTextDiff(std::string OldText, std::string NewText, const TCompareOptions& Options)
    : FOldText(std::move(OldText)), FNewText(std::move(NewText))
{
    FOldStarts = LineStarts(FOldText);
    FNewStarts = LineStarts(FNewText);
    std::string OldKeys, NewKeys;
    FScript = DiffLines(ComparedLines(FOldText, Options, OldKeys), ComparedLines(FNewText, Options, NewKeys));
}

std::string_view TTextDiff::OldLine(std::int32_t Index) const { return LineOf(FOldText, FOldStarts, Index); }

std::string_view TTextDiff::NewLine(std::int32_t Index) const { return LineOf(FNewText, FNewStarts, Index); }

TWordMarks TTextDiff::WordMarks(std::int32_t OldIndex, std::int32_t NewIndex) const
{
    return MarkWords(WithoutBreak(OldLine(OldIndex)), WithoutBreak(NewLine(NewIndex)));
}

void TTextDiff::WriteUnified(std::string& Out, int Context) const
{
    WriteUnifiedHunks(Out, SplitLines(FOldText), SplitLines(FNewText), FScript, Context);
}

TTextDiff DiffObjects(const TObjectTextObject* Old, const TObjectTextObject* New, const TCompareOptions& Options)
{
    return TTextDiff(Old ? Old->GetText() : std::string(), New ? New->GetText() : std::string(), Options);
}

void WriteUnifiedDiff(std::string& Out, const TObjectTextFile& Old, const TObjectTextFile& New,
                      const TCompareEntry& Entry, const TCompareOptions& Options)
{
    if (Entry.Status == TCompareStatus::Identical)
        return;
    const TObjectTextObject* OldObject = Entry.OldIndex >= 0 ? &Old.Objects(Entry.OldIndex) : nullptr;
    const TObjectTextObject* NewObject = Entry.NewIndex >= 0 ? &New.Objects(Entry.NewIndex) : nullptr;
    if (!OldObject && !NewObject)
        return;
    const TTextDiff Diff = DiffObjects(OldObject, NewObject, Options);
    if (!Diff.Differs())
        return;
    const std::string Name = (OldObject ? OldObject : NewObject)->GetExportFileName();
    Out.append("--- a/").append(Name).append(OldObject ? "" : SAbsentStamp).append("\n");
    Out.append("+++ b/").append(Name).append(NewObject ? "" : SAbsentStamp).append("\n");
    Diff.WriteUnified(Out);
}
