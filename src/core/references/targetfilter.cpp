#include "core/references/targetfilter.h"

#include "core/codepages.h"

#include <algorithm>
#include <iterator>

namespace references {

namespace {

constexpr std::size_t LongestKindWord = 9;

bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsLetter(char C) { return (C | 0x20) >= 'a' && (C | 0x20) <= 'z'; }

// The words a number that names an object may follow: a variable's type,
// a property value's kind, a permission's TableData.
bool IsKindWord(std::string_view Word)
{
    constexpr std::string_view Words[] = {"record", "codeunit", "page",      "form",     "report",   "xmlport",
                                          "query",  "dataport", "table",     "menusuite", "tabledata"};
    return std::any_of(std::begin(Words), std::end(Words), [Word](std::string_view W) { return SameName(Word, W); });
}

// Whether the number at [At, At + Size) stands where a reference by number
// can put it: a number of its own (leading zeros and all) after a kind word,
// "::", "=", a comment's end or a line's start, spaces between. Byte(I) is
// the byte at I, for I in [First, Limit). With FirstIsStart, First is the
// text's start; else the bytes before it are no longer at hand, and a look
// back that runs into it lets the number through.
template <class TByte>
bool NumberStands(const TByte& Byte, std::int64_t First, std::int64_t Limit, std::int64_t At, std::int64_t Size,
                  bool FirstIsStart)
{
    if (At + Size < Limit && IsDigit(Byte(At + Size)))
        return false;
    std::int64_t Before = At;
    while (Before > First && Byte(Before - 1) == '0')
        --Before;
    if (Before > First && IsDigit(Byte(Before - 1)))
        return false;
    while (Before > First && (Byte(Before - 1) == ' ' || Byte(Before - 1) == '\t'))
        --Before;
    if (Before == First)
        return true;
    const char C = Byte(Before - 1);
    if (C == '\r' || C == '\n' || C == '=' || C == ':' || C == '}')
        return true;
    char Word[LongestKindWord];
    std::size_t Length = 0;
    for (std::int64_t P = Before; P > First && IsLetter(Byte(P - 1)); --P) {
        if (Length == LongestKindWord)
            return false; // longer than any kind word
        Word[LongestKindWord - 1 - Length++] = Byte(P - 1);
    }
    if (!FirstIsStart && Before - std::int64_t(Length) == First)
        return true;
    return Length > 0 && IsKindWord(std::string_view(Word + LongestKindWord - Length, Length));
}

// Whether Position lies in Object's Date or Time stamp, where numbers name no object.
bool InStamp(const TObjectTextObject& Object, std::int64_t Position)
{
    for (const TObjectProperty Property : {TObjectProperty::Date, TObjectProperty::Time}) {
        const TByteRange Range = Object.PropertyRange(Property);
        if (Position >= Range.Offset && Position < std::int64_t(Range.Offset) + Range.Length)
            return true;
    }
    return false;
}

const std::array<unsigned char, 256>* NameFold() { return &codepages::FoldTable(codepages::TEncoding::Latin1); }

bool Occurs(const TNeedle& Needle, std::string_view Text)
{
    std::size_t Length = 0;
    return Needle.FindIn(Text.data(), Text.size(), Length) != nullptr;
}

// Bytes kept from one piece to the next: more than a number or a name and
// the look back before a number take.
constexpr std::size_t CarrySize = 256;

}  // namespace

TTargetFilter::TTargetFilter(const TTarget& Target)
    : FDigits(Target.ID > 0 ? std::to_string(Target.ID) : std::string()),
      FNumber(FDigits, nullptr),
      FName(Target.Name, NameFold()),
      FNameEmpty(FName.LongestMatch() == 0)
{
}

bool TTargetFilter::Passes(std::string_view Text, const TObjectTextObject& Entry) const
{
    std::size_t Length = 0;
    const char* const End = Text.data() + Text.size();
    const auto Byte = [Text](std::int64_t I) { return Text[std::size_t(I)]; };
    if (!FDigits.empty())
        for (const char* P = Text.data(); (P = FNumber.FindIn(P, std::size_t(End - P), Length)); ++P) {
            const std::int64_t At = P - Text.data();
            if (!InStamp(Entry, Entry.Offset() + At) &&
                NumberStands(Byte, 0, std::int64_t(Text.size()), At, std::int64_t(FDigits.size()), true))
                return true;
        }
    return Spells(Text);
}

std::size_t TTargetFilter::Reach(std::string_view Text, const TObjectTextObject& Entry) const
{
    // Looked for forwards: the forward search is the vectorised one.
    std::size_t Length = 0, End = 0;
    const char* const Stop = Text.data() + Text.size();
    const auto Byte = [Text](std::int64_t I) { return Text[std::size_t(I)]; };
    if (!FDigits.empty())
        for (const char* P = Text.data(); (P = FNumber.FindIn(P, std::size_t(Stop - P), Length)); ++P) {
            const std::int64_t At = P - Text.data();
            if (!InStamp(Entry, Entry.Offset() + At) &&
                NumberStands(Byte, 0, std::int64_t(Text.size()), At, std::int64_t(FDigits.size()), true))
                End = std::size_t(At) + FDigits.size();
        }
    if (!FNameEmpty)
        for (const char* P = Text.data(); (P = FName.FindIn(P, std::size_t(Stop - P), Length)); P += Length)
            End = std::max(End, std::size_t(P - Text.data()) + Length);
    while (End < Text.size() && Text[End] != '\r' && Text[End] != '\n')
        ++End;
    return End;
}

bool TTargetFilter::Spells(std::string_view Text) const { return !FNameEmpty && Occurs(FName, Text); }

TMemberFilter::TMemberFilter(std::string_view Member) : FName(Member, NameFold()) {}

bool TMemberFilter::Spells(std::string_view Text) const { return Occurs(FName, Text); }

TLoadFilter::TLoadFilter(const TObjectTextFile& File, std::optional<TObjectType> Type, std::int32_t ID)
    : FFile(File), FType(Type), FID(ID), FDigits(ID > 0 ? std::to_string(ID) : std::string()), FNumber(FDigits, nullptr)
{
}

void TLoadFilter::Read(const char* Bytes, std::int64_t Position, std::int64_t Length)
{
    if (FSeen < 0)
        FStart = FSeen = Position;
    if (Position != FSeen)
        FWhole = false;
    if (!FWhole || Length <= 0)
        return;
    LearnName(Position);
    Settle(false);
    if (!FDigits.empty())
        LookForNumber(Bytes, Position, Length);
    if (FName)
        LookForName(Bytes, Position, Length);
    KeepCarry(Bytes, Length);
    FSeen = Position + Length;
}

void TLoadFilter::Finish()
{
    if (FFinished)
        return;
    FFinished = true;
    const auto Size = std::int64_t(FDigits.size());
    // A number that ends the file was waiting for the byte after it.
    if (FWhole && Size > 0 && std::int64_t(FCarry.size()) >= Size &&
        FCarry.compare(FCarry.size() - std::size_t(Size), std::size_t(Size), FDigits) == 0) {
        const std::int64_t First = FSeen - std::int64_t(FCarry.size());
        const auto Byte = [&](std::int64_t I) { return FCarry[std::size_t(I - First)]; };
        if (NumberStands(Byte, First, FSeen, FSeen - Size, Size, false))
            FNumberHits.push_back(FSeen - Size);
    }
    // Seen whole: from before the first object to the file's end.
    if (FSeen < 0)
        FWhole = FFile.Count() == 0;
    else if (FSeen != FFile.SplitThrough() || (FFile.Count() > 0 && FStart > FFile.Objects(0).Offset()))
        FWhole = false;
    if (FWhole)
        Settle(true);
}

// The target's name, once the split has listed its object: looked for in
// the bytes from here on.
void TLoadFilter::LearnName(std::int64_t Position)
{
    for (; !FTargetSeen && FListed < FFile.Count(); ++FListed) {
        const TObjectTextObject& Object = FFile.Objects(FListed);
        if (Object.ID() != FID || (FType && Object.ObjectType() != *FType))
            continue;
        FTargetSeen = true;
        FNameText = Object.Name();
        FNameFrom = Position;
        if (!FNameText.empty())
            FName.emplace(FNameText, NameFold());
    }
}

void TLoadFilter::LookForNumber(const char* Bytes, std::int64_t Position, std::int64_t Length)
{
    const auto Size = std::int64_t(FDigits.size());
    const std::int64_t First = Position - std::int64_t(FCarry.size()), Limit = Position + Length;
    const auto Byte = [&](std::int64_t I) { return I >= Position ? Bytes[I - Position] : FCarry[std::size_t(I - First)]; };
    // A number is judged once the byte after it is at hand.
    const auto Take = [&](std::int64_t At) {
        if (At + Size < Limit && NumberStands(Byte, First, Limit, At, Size, false))
            FNumberHits.push_back(At);
    };
    std::size_t Found = 0;
    // Numbers that begin in the carry: waiting for this piece.
    const std::size_t Back = std::min(FCarry.size(), std::size_t(Size));
    if (Back > 0) {
        std::string Join(FCarry, FCarry.size() - Back, Back);
        Join.append(Bytes, std::size_t(std::min(Length, Size)));
        const char* const End = Join.data() + Join.size();
        for (const char* P = Join.data(); (P = FNumber.FindIn(P, std::size_t(End - P), Found)) && P < Join.data() + Back; ++P)
            Take(Position - std::int64_t(Back) + (P - Join.data()));
    }
    // The piece's own, but for a last byte that has none after it yet.
    const char* const End = Bytes + Length - 1;
    for (const char* P = Bytes; P < End && (P = FNumber.FindIn(P, std::size_t(End - P), Found)); ++P)
        Take(Position + (P - Bytes));
}

void TLoadFilter::LookForName(const char* Bytes, std::int64_t Position, std::int64_t Length)
{
    const std::size_t Reach = FName->LongestMatch() - 1;  // bytes a name runs on after its first
    std::size_t Found = 0;
    const std::size_t Back = std::min(FCarry.size(), Reach);
    if (Back > 0) {
        std::string Join(FCarry, FCarry.size() - Back, Back);
        Join.append(Bytes, std::size_t(std::min<std::int64_t>(Length, std::int64_t(Reach))));
        const char* const End = Join.data() + Join.size();
        for (const char* P = Join.data(); (P = FName->FindIn(P, std::size_t(End - P), Found)) && P < Join.data() + Back; ++P)
            FNameHits.push_back(Position - std::int64_t(Back) + (P - Join.data()));
    }
    const char* const End = Bytes + Length;
    for (const char* P = Bytes; (P = FName->FindIn(P, std::size_t(End - P), Found)); P += Found)
        FNameHits.push_back(Position + (P - Bytes));
}

void TLoadFilter::KeepCarry(const char* Bytes, std::int64_t Length)
{
    if (std::size_t(Length) >= CarrySize) {
        FCarry.assign(Bytes + Length - std::int64_t(CarrySize), CarrySize);
        return;
    }
    FCarry.append(Bytes, std::size_t(Length));
    if (FCarry.size() > CarrySize)
        FCarry.erase(0, FCarry.size() - CarrySize);
}

void TLoadFilter::Settle(bool AllListed)
{
    const std::int64_t Through = AllListed ? FSeen : FFile.SplitThrough();
    FMarks.resize(std::size_t(FFile.Count()));
    // A number in a stamp names nothing: its object waits until its stamps are read.
    Mark(FNumberHits, NumberMark, true, Through, AllListed);
    Mark(FNameHits, NameMark, false, Through, AllListed);
}

// Marks the objects of Hits (file positions, in order) that the split has
// placed, and drops those hits.
void TLoadFilter::Mark(std::vector<std::int64_t>& Hits, std::uint8_t Mark, bool Stamps, std::int64_t Through,
                       bool AllListed)
{
    const std::int32_t Count = FFile.Count();
    std::size_t Done = 0;
    for (; Done < Hits.size(); ++Done) {
        const std::int64_t Hit = Hits[Done];
        if (Hit >= Through && !AllListed)
            break; // an object not listed yet may begin before it
        const std::int32_t Object = ObjectAt(Hit, Count);
        if (Object < 0)
            continue;
        const bool Complete = AllListed || Object < Count - 1;
        if (Stamps && !Complete)
            break;
        const TObjectTextObject& Entry = FFile.Objects(Object);
        if (Complete && Hit >= std::int64_t(Entry.Offset()) + Entry.Size())
            continue;
        if (!Stamps || !InStamp(Entry, Hit))
            FMarks[std::size_t(Object)] |= Mark;
    }
    Hits.erase(Hits.begin(), Hits.begin() + std::ptrdiff_t(Done));
}

// The last of the first Count objects that begins at or before Position; -1 when none does.
std::int32_t TLoadFilter::ObjectAt(std::int64_t Position, std::int32_t Count) const
{
    std::int32_t Low = 0, High = Count;  // objects in [Low, High) may begin after Position
    while (Low < High) {
        const std::int32_t Middle = Low + (High - Low) / 2;
        if (FFile.Objects(Middle).Offset() <= Position)
            Low = Middle + 1;
        else
            High = Middle;
    }
    return Low - 1;
}

std::vector<TVerdict> TLoadFilter::Verdicts(const TTarget& Target) const
{
    std::vector<TVerdict> Verdicts(std::size_t(FFile.Count()), TVerdict::Unknown);
    if (!FFinished || !FWhole || (Target.ID > 0 && Target.ID != FID) || FMarks.size() != Verdicts.size())
        return Verdicts;
    const bool NameKnown = FName && Target.Name == FNameText;
    for (std::int32_t Object = 0; Object < FFile.Count(); ++Object) {
        const std::uint8_t Marks = FMarks[std::size_t(Object)];
        TVerdict& Verdict = Verdicts[std::size_t(Object)];
        if (Target.ID > 0 && (Marks & NumberMark))
            Verdict = TVerdict::Yes;
        else if (Target.Name.empty())
            Verdict = TVerdict::No;
        else if (NameKnown && FFile.Objects(Object).Offset() >= FNameFrom)
            Verdict = Marks & NameMark ? TVerdict::Yes : TVerdict::No;
        else
            Verdict = TVerdict::ByName;
    }
    return Verdicts;
}

}  // namespace references
