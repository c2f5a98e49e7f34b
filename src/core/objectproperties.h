// The values of an object's OBJECT-PROPERTIES block: Modified, Version List,
// Date and Time.
//
// The block follows the object line:
//
//     OBJECT Table 3 Payment Terms
//     {
//       OBJECT-PROPERTIES
//       {
//         Date=01.07.10;
//         Time=12:00:00;
//         Modified=Yes;
//         Version List=ORV6.00;
//       }
//
// Lines end at CR, LF or NUL, as they do for the split; blank lines are
// passed over, and spaces and tabs around a line's text do not count. The
// block is read when the first three lines with text after the object line
// are "{", "OBJECT-PROPERTIES" (in any case) and "{". Each following line is
// a Key=Value; entry until a line "}" or a line without "=", which ends the
// block. A key is compared without regard to case; its value is everything
// after the first "=" up to the end of the line's text, less one final ";".
// The first entry of a key counts. Nothing after the first 64 KiB of the
// object is read: reading stops at a line that ends beyond them.
//
// Values are never copied: the model keeps where they lie, relative to the
// object's start, and reads them from the file when asked.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// In the order the object list shows them.
enum class TObjectProperty : std::uint8_t { Modified, VersionList, Date, Time };
constexpr int ObjectPropertyCount = 4;

// "Modified", "Version List", "Date", "Time": the keys as the file writes them.
std::string_view ObjectPropertyKey(TObjectProperty Property);

// The four values in TObjectProperty order; empty where absent.
using TPropertyValues = std::array<std::string_view, ObjectPropertyCount>;

// Where a value lies, relative to the start of its object; all 0 when the
// value is empty or absent.
struct TPropertySpan {
    std::uint16_t Start = 0;
    std::uint16_t Length = 0;
    bool operator==(const TPropertySpan& O) const { return Start == O.Start && Length == O.Length; }
};
using TPropertySpans = std::array<TPropertySpan, ObjectPropertyCount>;

// Reads the block of one object from its text as the text streams past, in
// pieces of any size, so that the split reads it in the same pass. It keeps
// nothing of the text but a line that runs across the end of a piece.
class TPropertyReader {
public:
    // Values must end within this many bytes of the object's start.
    static constexpr std::int64_t MaxEnd = 65535;

    // A new object starts at ObjectStart; its object line's text ends at From
    // (the reading begins with that line's break).
    void Start(std::int64_t ObjectStart, std::int64_t From);
    // The object's bytes up to To follow; Data[P] is the byte at position P,
    // readable from where the last call stopped.
    void Feed(const char* Data, std::int64_t To);
    // The object ends at the position of the last Feed: a line still open
    // there is its last.
    void Finish();
    const TPropertySpans& Spans() const { return FSpans; }

private:
    enum TState : std::uint8_t { rsOpenBrace, rsKeyword, rsBlockBrace, rsEntries, rsDone };
    // The block as the files lay it out, read in a few steps; anything else
    // is left to the line by line reading, from the line where it stops.
    void ReadUsualBlock(const char* Data, std::int64_t To);
    void TakeLine(std::string_view Line, std::int64_t LineStart);

    TState FState = rsDone;
    std::uint8_t FFound = 0; // a bit per key already read
    std::int64_t FObjectStart = 0;
    std::int64_t FPos = 0;       // the next byte to read
    std::int64_t FLineStart = 0; // where the open line began
    std::string FLine;           // the open line's bytes from earlier pieces
    TPropertySpans FSpans{};
};

// The block of an object whose whole text (from its object line on) is Text.
TPropertySpans ReadPropertySpans(std::string_view Text);
