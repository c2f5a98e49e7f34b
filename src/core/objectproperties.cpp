#include "core/objectproperties.h"

namespace {

constexpr std::string_view Keys[ObjectPropertyCount] = {"Modified", "Version List", "Date", "Time"};
constexpr std::string_view SBlockKeyword = "OBJECT-PROPERTIES";

bool IsLineBreak(char C) { return C == '\r' || C == '\n' || C == '\0'; }
bool IsBlank(char C) { return C == ' ' || C == '\t'; }

char LowerAscii(char C) { return C >= 'A' && C <= 'Z' ? char(C + ('a' - 'A')) : C; }

bool SameIgnoringCase(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (LowerAscii(A[I]) != LowerAscii(B[I]))
            return false;
    return true;
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
    // The block is a few short lines right after the object line: a plain
    // scan is enough, and it stops as soon as the block is over.
    while (FState != rsDone && FPos < To) {
        std::int64_t Break = FPos;
        while (Break < To && !IsLineBreak(Data[Break]))
            ++Break;
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
        FPos = Break + 1;
        FLineStart = FPos;
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
    std::size_t Begin = 0, End = Line.size();
    while (Begin < End && IsBlank(Line[Begin]))
        ++Begin;
    while (End > Begin && IsBlank(Line[End - 1]))
        --End;
    if (Begin == End)
        return;
    const std::string_view Text = Line.substr(Begin, End - Begin);
    switch (FState) {
    case rsOpenBrace: FState = Text == "{" ? rsKeyword : rsDone; return;
    case rsKeyword: FState = SameIgnoringCase(Text, SBlockKeyword) ? rsBlockBrace : rsDone; return;
    case rsBlockBrace: FState = Text == "{" ? rsEntries : rsDone; return;
    case rsEntries: break;
    case rsDone: return;
    }
    const std::size_t Equals = Text.find('=');
    if (Equals == std::string_view::npos) {
        FState = rsDone; // "}", or the block was never closed
        return;
    }
    std::size_t KeyEnd = Equals;
    while (KeyEnd > 0 && IsBlank(Text[KeyEnd - 1]))
        --KeyEnd;
    const std::string_view Key = Text.substr(0, KeyEnd);
    for (int I = 0; I < ObjectPropertyCount; ++I) {
        if ((FFound & (1u << I)) || !SameIgnoringCase(Key, Keys[I]))
            continue;
        FFound = std::uint8_t(FFound | (1u << I));
        std::string_view Value = Text.substr(Equals + 1);
        if (!Value.empty() && Value.back() == ';')
            Value.remove_suffix(1);
        // Within MaxEnd of the object's start: both fit 16 bits. An empty
        // value lies nowhere, as an absent one.
        if (!Value.empty())
            FSpans[std::size_t(I)] = {std::uint16_t(LineStart + std::int64_t(Begin + Equals + 1) - FObjectStart),
                                      std::uint16_t(Value.size())};
        if (FFound == (1u << ObjectPropertyCount) - 1)
            FState = rsDone; // nothing left to read
        return;
    }
}

TPropertySpans ReadPropertySpans(std::string_view Text)
{
    std::size_t LineEnd = 0;
    while (LineEnd < Text.size() && !IsLineBreak(Text[LineEnd]))
        ++LineEnd;
    TPropertyReader Reader;
    Reader.Start(0, std::int64_t(LineEnd));
    Reader.Feed(Text.data(), std::int64_t(Text.size()));
    Reader.Finish();
    return Reader.Spans();
}
