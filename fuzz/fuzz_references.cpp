// Fuzzes the reference scanner: on any text, at either depth, it never
// throws, every reference and its marked bytes lie inside the text (the
// marked ones inside the reference), names and members are views into the
// text, lines are the text's own, and what names objects is the same at both
// depths. The structure's fast line scan agrees with the full one on every
// line: the same state after it and the same spans of the structure.
//
// Input: one byte for the object's kind, then the text.
#include "fuzzcheck.h"

#include "core/objectsyntax.h"
#include "core/references/referencescanner.h"
#include "core/search/linecount.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

using namespace fuzzcheck;

namespace {

bool Inside(std::string_view Text, std::string_view Part)
{
    return Part.empty() || (Part.data() >= Text.data() && Part.data() + Part.size() <= Text.data() + Text.size());
}

std::string Where(const references::TReference& R)
{
    return std::to_string(R.Offset) + "+" + std::to_string(R.Length) + " mark " + std::to_string(R.MarkOffset) + "+" +
           std::to_string(R.MarkLength) + " line " + std::to_string(R.Line);
}

// Each line of Text scanned both ways from the state the full scan left;
// and from each line, the pass over the CODE section's lines stops where
// the full scan finds a colon or the structure, in the full scan's state.
void CheckStructureScan(std::string_view Text)
{
    using namespace objectsyntax;
    struct TLine {
        std::size_t Start;
        TState State;
        bool Stops;  // a colon outside strings and comments, or a span of the structure
    };
    std::vector<TLine> Lines;
    std::vector<TSpan> Full, Structure;
    TState State = StartState;
    for (std::size_t Start = 0;;) {
        const std::size_t End = std::min(Text.find_first_of("\r\n", Start), Text.size());
        const std::string_view Line = Text.substr(Start, End - Start);
        const TState After = ScanLine(Line, State, Full);
        FUZZ_CHECK(ScanStructure(Line, State, Structure) == After, "state after line at " + std::to_string(Start));
        bool Colon = false;
        for (std::size_t I = Line.find(':'); I != std::string_view::npos; I = Line.find(':', I + 1))
            Colon |= (I + 1 == Line.size() || Line[I + 1] != '=') &&
                     std::none_of(Full.begin(), Full.end(), [I](const TSpan& S) {
                         return I >= std::size_t(S.Start) && I < std::size_t(S.Start + S.Length);
                     });
        Full.erase(std::remove_if(Full.begin(), Full.end(),
                                  [](const TSpan& S) { return S.Category > TCategory::Cell; }),
                   Full.end());
        FUZZ_CHECK(Full.size() == Structure.size(), "spans of line at " + std::to_string(Start));
        for (std::size_t I = 0; I < Full.size(); ++I)
            FUZZ_CHECK(Full[I].Start == Structure[I].Start && Full[I].Length == Structure[I].Length &&
                           Full[I].Category == Structure[I].Category,
                       "span " + std::to_string(I) + " of line at " + std::to_string(Start));
        Lines.push_back({Start, State, Colon || !Structure.empty()});
        if (End == Text.size())
            break;
        State = After;
        Start = End + (Text[End] == '\r' && End + 1 < Text.size() && Text[End + 1] == '\n' ? 2 : 1);
    }
    const auto EveryColon = [](std::string_view, std::size_t, const char*) { return true; };
    for (std::size_t I = 0; I < Lines.size(); ++I) {
        TState At = Lines[I].State;
        std::int32_t Count = 0;
        const std::size_t Stop = SkipCodeLines(Text, Lines[I].Start, At, Count, EveryColon);
        const std::string From = "code passed from line at " + std::to_string(Lines[I].Start);
        FUZZ_CHECK(Count >= 0 && I + std::size_t(Count) < Lines.size(), From);
        FUZZ_CHECK(Lines[I + std::size_t(Count)].Start == Stop && Lines[I + std::size_t(Count)].State == At, From);
        for (std::size_t J = I; J < I + std::size_t(Count); ++J)
            FUZZ_CHECK(!Lines[J].Stops, From + " over line at " + std::to_string(Lines[J].Start));
    }
}
// A scan for one member finds every reference to it that the full scan
// finds, for the first few members the full scan names.
void CheckOneMember(references::TReferenceScanner& Scanner, std::string_view Text, TObjectType Type)
{
    const auto Key = [](const references::TReference& R) {
        return std::to_string(R.Offset) + "+" + std::to_string(R.Length) + " " + std::to_string(R.MarkOffset) + "+" +
               std::to_string(R.MarkLength) + " " + std::to_string(R.Line) + " " + std::to_string(R.Type) + " " +
               std::to_string(R.ID) + " " + std::string(R.Name) + "." + std::string(R.Member) +
               (R.Implicit ? " implicit" : "") + (R.Definition ? " definition" : "");
    };
    std::vector<std::string> Members;
    for (const references::TReference& R : Scanner.Scan(Text, Type, 7, references::TScanDepth::Members))
        if (!R.Member.empty() && Members.size() < 3 &&
            std::none_of(Members.begin(), Members.end(), [&R](const std::string& M) { return references::SameName(M, R.Member); }))
            Members.emplace_back(R.Member);
    for (const std::string& Member : Members) {
        std::vector<std::string> All, One;
        for (const references::TReference& R : Scanner.Scan(Text, Type, 7, references::TScanDepth::Members))
            if (references::SameName(R.Member, Member))
                All.push_back(Key(R));
        for (const references::TReference& R : Scanner.Scan(Text, Type, 7, references::TScanDepth::Members, Member))
            if (references::SameName(R.Member, Member))
                One.push_back(Key(R));
        FUZZ_CHECK(All == One, "references to member " + Member);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider In(Data, Size);
    const TObjectType Type = TObjectType(In.ConsumeIntegral<std::uint8_t>() % ObjectTypeCount);
    const std::string Text = In.ConsumeRemainingBytesAsString();
    CheckStructureScan(Text);
    references::TReferenceScanner Scanner;
    std::vector<std::string> Objects;
    for (const references::TScanDepth Depth : {references::TScanDepth::Objects, references::TScanDepth::Members}) {
        std::vector<std::string> Named;
        for (const references::TReference& R : Scanner.Scan(Text, Type, 7, Depth)) {
            FUZZ_CHECK(R.Offset >= 0 && R.Length >= 0 && std::size_t(R.Offset) + std::size_t(R.Length) <= Text.size(),
                       Where(R));
            FUZZ_CHECK(R.MarkOffset >= R.Offset && R.MarkOffset + R.MarkLength <= R.Offset + R.Length, Where(R));
            FUZZ_CHECK(Inside(Text, R.Name) && Inside(Text, R.Member), Where(R));
            FUZZ_CHECK(R.Line == search::TLineCount::LineOf(Text, std::size_t(R.Offset)) ||
                           R.Line == search::TLineCount::LineOf(Text, std::size_t(R.MarkOffset)),
                       Where(R));
            if (!R.Definition && !R.Implicit && R.Member.empty())
                Named.push_back(std::to_string(R.Type) + " " + std::to_string(R.ID) + " " + std::string(R.Name) +
                                    " @" + std::to_string(R.Offset));
        }
        if (Depth == references::TScanDepth::Objects)
            Objects = Named;
        else
            for (const std::string& Object : Named)
                FUZZ_CHECK(std::find(Objects.begin(), Objects.end(), Object) != Objects.end(),
                           "found only when members are looked for: " + Object);
    }
    CheckOneMember(Scanner, Text, Type);
    return 0;
}
