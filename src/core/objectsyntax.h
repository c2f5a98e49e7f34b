// What each character of an object's text is, line by line: the structure
// (section words, property names and values, the cells of rows, the braces
// that nest them) and, inside code (trigger bodies and the CODE section),
// keywords, strings, names in double quotes, numbers, dates and comments.
// A report's layout (RDLDATA) is one block of its own.
//
// One line at a time, so that a highlighter can rescan any line from the
// state the line before it ended in. The state is a small non-negative int
// (it fits a QTextBlock's user state); StartState is the state before the
// object's first line. Standard C++ only, over bytes (any single-byte code
// page or UTF-8: only ASCII characters carry structure) or UTF-16.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace objectsyntax {

enum class TCategory : std::uint8_t {
    Plain,     // spaces, punctuation, identifiers in code
    Brace,     // a brace of the structure (not a comment's)
    Section,   // OBJECT-PROPERTIES, FIELDS, CODE ... and the OBJECT line
    Property,  // "CaptionML=", name and equals sign
    Value,     // a property's value (not code)
    Cell,      // a cell of a row: { 1 ; ;No. ;Code20 }
    Keyword,   // BEGIN, IF, VAR ... in code
    String,    // 'text' in code
    Name,      // "Name" in code
    Number,    // 12, 0.5 in code; a row's number
    Date,      // 0D, 123199D, 0T, 0DT in code
    Comment,   // // to the end of the line, { ... } in code
    Layout,    // the text of a report layout
};
constexpr int CategoryCount = 13;

using TState = std::int32_t;
constexpr TState StartState = 0;

struct TSpan {
    std::int32_t Start;
    std::int32_t Length;
    TCategory Category;
};

// Scans one line (without its line break) that begins in State: Spans is
// cleared and gets every span that is not Plain, in order, none empty. Returns
// the state after the line. A state not returned by ScanLine (or StartState)
// is read as well as it can be; a negative one as StartState.
TState ScanLine(std::string_view Line, TState State, std::vector<TSpan>& Spans);
TState ScanLine(std::u16string_view Line, TState State, std::vector<TSpan>& Spans);
// ScanLine's spans of the structure alone (Brace, Section, Property, Value,
// Cell) and the same state after the line, for readers that want no more of
// the code than where it ends: a few times faster.
TState ScanStructure(std::string_view Line, TState State, std::vector<TSpan>& Spans);

// For readers of the structure that want of the code only the lines where
// some colon matters (declarations): from the line at Start of Text, which
// begins in State, passes over the whole lines of code (of the CODE section
// or of a trigger, to its end) that ScanStructure would give no span and in
// which Wanted(Line, Colon, TextEnd) declines every colon (or "::") at
// Line[Colon] outside strings and comments but that of ":=". Returns the
// start of the first line not passed over (Start itself when State is not
// in code), and sets State to the state there; Lines gets the count of lines
// passed over. The last line, without a break after it, is never passed over.
using TColonTest = bool (*)(std::string_view Line, std::size_t Colon, const char* TextEnd);
std::size_t SkipCodeLines(std::string_view Text, std::size_t Start, TState& State, std::int32_t& Lines,
                          TColonTest Wanted);

// The category of every character of a whole text from StartState; line
// breaks (LF, CR, CR LF) are Plain.
std::vector<TCategory> Categorize(std::string_view Text);
std::vector<TCategory> Categorize(std::u16string_view Text);

}  // namespace objectsyntax
