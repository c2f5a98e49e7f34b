#include "core/objectproperties.h"

#include "core/simd.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view Keys[ObjectPropertyCount] = {"Modified", "Version List", "Date", "Time"};
constexpr std::string_view SBlockKeyword = "OBJECT-PROPERTIES";

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

char LowerAscii(char C) { return C >= 'A' && C <= 'Z' ? char(C + ('a' - 'A')) : C; }

bool SameIgnoringCase(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    if (A == B)
        return true; // the case the files have: one compare of the bytes
    for (std::size_t I = 0; I < A.size(); ++I)
        if (LowerAscii(A[I]) != LowerAscii(B[I]))
            return false;
    return true;
}

// The property a key names (in any case), or -1; its length leaves one to compare.
int KeyOf(std::string_view Key)
{
    TObjectProperty Candidate;
    switch (Key.size()) {
    case 4: Candidate = LowerAscii(Key[0]) == 'd' ? TObjectProperty::Date : TObjectProperty::Time; break;
    case 8: Candidate = TObjectProperty::Modified; break;
    case 12: Candidate = TObjectProperty::VersionList; break;
    default: return -1;
    }
    return SameIgnoringCase(Key, Keys[std::size_t(Candidate)]) ? int(Candidate) : -1;
}

} // namespace

std::string_view ObjectPropertyKey(TObjectProperty Property)
{
    return Keys[std::size_t(Property)];
}

void TPropertyReader::Start(std::int64_t ObjectStart, std::int64_t From)
{
    FState = rsOpenBrace;
    FFound = 0;
    FObjectStart = ObjectStart;
    FPos = From;
    FLineStart = From;
    FLine.clear();
    FSpans = {};
}

void TPropertyReader::Feed(const char* Data, std::int64_t To)
{
    if (FState == rsOpenBrace && FLine.empty())
        ReadUsualBlock(Data, To);
    // The block is a few short lines right after the object line; the
    // reading stops as soon as it is over.
    while (FState != rsDone && FPos < To) {
        const std::int64_t Break = simd::FindLineBreak(Data + FPos, Data + To) - Data;
        if (Break - FObjectStart > MaxEnd) {
            FState = rsDone; // a value on this line or after it could not be kept
            break;
        }
        if (Break == To) {
            FLine.append(Data + FPos, std::size_t(To - FPos)); // the next piece ends the line
            FPos = To;
            return;
        }
        if (FLine.empty()) {
            TakeLine(std::string_view(Data + FLineStart, std::size_t(Break - FLineStart)), FLineStart);
        } else {
            FLine.append(Data + FPos, std::size_t(Break - FPos));
            TakeLine(FLine, FLineStart);
            FLine.clear();
        }
        // The LF of a CR LF would only make an empty line, which counts for nothing.
        FPos = Break + (Data[Break] == '\r' && Break + 1 < To && Data[Break + 1] == '\n' ? 2 : 1);
        FLineStart = FPos;
    }
}

void TPropertyReader::ReadUsualBlock(const char* Data, std::int64_t To)
{
    // From the object line's break: the block's opening lines, CR LF or LF.
    // Compares of a known size, which the compiler writes out in place.
    static constexpr char CrLfOpening[] = "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n";
    static constexpr char LfOpening[] = "\n{\n  OBJECT-PROPERTIES\n  {\n";
    const std::int64_t Room = std::min(To, FObjectStart + MaxEnd) - FPos;
    const bool Lf = Room > 0 && Data[FPos] == '\n';
    if (Lf ? Room < std::int64_t(sizeof LfOpening) - 1 || std::memcmp(Data + FPos, LfOpening, sizeof LfOpening - 1) != 0
           : Room < std::int64_t(sizeof CrLfOpening) - 1 ||
                 std::memcmp(Data + FPos, CrLfOpening, sizeof CrLfOpening - 1) != 0)
        return;
    FState = rsEntries;
    FPos = FLineStart = FPos + std::int64_t(Lf ? sizeof LfOpening - 1 : sizeof CrLfOpening - 1);
    // Then "    Key=Value;" lines, each key once.
    const std::size_t BreakLength = Lf ? 1 : 2;
    for (;;) {
        const char* Line = Data + FPos;
        const char* Break = simd::FindLineBreak(Line, Data + To);
        const std::int64_t Rest = Data + To - Break; // the break included
        if (Rest < std::int64_t(BreakLength) || Break - (Data + FObjectStart) > MaxEnd ||
            (Lf ? *Break != '\n' : Break[0] != '\r' || Break[1] != '\n'))
            return;
        const std::size_t Length = std::size_t(Break - Line);
        TObjectProperty Property;
        std::size_t Prefix; // the spaces, the key and "="
        bool Usual;
        switch (Length > 4 ? Line[4] : '\0') {
        case 'D':
            Property = TObjectProperty::Date, Prefix = 9;
            Usual = Length >= Prefix && std::memcmp(Line, "    Date=", 9) == 0;
            break;
        case 'T':
            Property = TObjectProperty::Time, Prefix = 9;
            Usual = Length >= Prefix && std::memcmp(Line, "    Time=", 9) == 0;
            break;
        case 'M':
            Property = TObjectProperty::Modified, Prefix = 13;
            Usual = Length >= Prefix && std::memcmp(Line, "    Modified=", 13) == 0;
            break;
        case 'V':
            Property = TObjectProperty::VersionList, Prefix = 17;
            Usual = Length >= Prefix && std::memcmp(Line, "    Version List=", 17) == 0;
            break;
        default: return;
        }
        const unsigned Bit = 1u << unsigned(Property);
        if (!Usual || (FFound & Bit) || IsBlank(Break[-1]))
            return;
        FFound = std::uint8_t(FFound | Bit);
        const std::size_t ValueLength = Length - Prefix - (Length > Prefix && Break[-1] == ';' ? 1 : 0);
        if (ValueLength > 0)
            FSpans[std::size_t(Property)] = {std::uint16_t(FPos + std::int64_t(Prefix) - FObjectStart),
                                             std::uint16_t(ValueLength)};
        FPos = FLineStart = FPos + std::int64_t(Length + BreakLength);
        if (FFound == (1u << ObjectPropertyCount) - 1) {
            FState = rsDone;
            return;
        }
    }
}

void TPropertyReader::Finish()
{
    if (FState != rsDone && !FLine.empty())
        TakeLine(FLine, FLineStart);
    FLine.clear();
    FState = rsDone;
}

void TPropertyReader::TakeLine(std::string_view Line, std::int64_t LineStart)
{
    const char* Begin = Line.data();
    const char* End = Begin + Line.size();
    while (Begin < End && IsBlank(*Begin))
        ++Begin;
    while (End > Begin && IsBlank(End[-1]))
        --End;
    if (Begin == End)
        return;
    const std::string_view Text(Begin, std::size_t(End - Begin));
    if (FState != rsEntries) {
        const bool Expected = FState == rsKeyword ? SameIgnoringCase(Text, SBlockKeyword) : Text == "{";
        FState = Expected ? TState(FState + 1) : rsDone;
        return;
    }
    const std::size_t Equals = Text.find('=');
    if (Equals == std::string_view::npos) {
        FState = rsDone; // "}", or the block was never closed
        return;
    }
    std::size_t KeyEnd = Equals;
    while (KeyEnd > 0 && IsBlank(Text[KeyEnd - 1]))
        --KeyEnd;
    const int Key = KeyOf(Text.substr(0, KeyEnd));
    if (Key < 0 || (FFound & (1u << Key)))
        return;
    FFound = std::uint8_t(FFound | (1u << Key));
    std::string_view Value = Text.substr(Equals + 1);
    if (!Value.empty() && Value.back() == ';')
        Value.remove_suffix(1);
    // Within MaxEnd of the object's start: both fit 16 bits. An empty value
    // lies nowhere, as an absent one.
    if (!Value.empty())
        FSpans[std::size_t(Key)] = {std::uint16_t(LineStart + (Value.data() - Line.data()) - FObjectStart),
                                    std::uint16_t(Value.size())};
    if (FFound == (1u << ObjectPropertyCount) - 1)
        FState = rsDone; // nothing left to read
}

TPropertySpans ReadPropertySpans(std::string_view Text)
{
    TPropertyReader Reader;
    Reader.Start(0, simd::FindLineBreak(Text.data(), Text.data() + Text.size()) - Text.data());
    Reader.Feed(Text.data(), std::int64_t(Text.size()));
    Reader.Finish();
    return Reader.Spans();
}
