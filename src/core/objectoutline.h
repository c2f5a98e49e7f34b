// The parts of one object's text in order, for a combo box above the text
// view: fields, keys, triggers, procedures, data items, controls and XMLport
// elements, each with the line it starts on.
//
// Built from the object's bytes in one pass with the same line scanner as the
// highlighter, so both agree on what is code, a string or a comment. Captions
// are bytes of the object's text, in its encoding, for the view to decode
// (LabelFromBytes); they use the text's own words, nothing to translate.
// Lines are counted as the text view counts blocks: CR LF, CR and LF each end
// one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TOutlineKind : std::uint8_t {
    Field,      // "1 No." (a table's); a dataport's: its source, "\"Item No.\""
    Key,        // "No.,Name": the key's fields
    Trigger,    // "OnRun"; inside a row, after its name: "No. - OnValidate"
    Procedure,  // "PostLines", or "LOCAL PostLines"
    DataItem,   // the data item's variable name, else its table: "Table18"
    Control,    // type and name: "TextBox \"No.\"", else type and number: "Label 3"
    Element,    // an XMLport element's or attribute's name
};

struct TOutlineEntry {
    TOutlineKind Kind;
    std::int32_t Line;  // 0-based: the text view's block number
    std::string Caption;
};

class TObjectOutline {
public:
    TObjectOutline() = default;
    explicit TObjectOutline(std::string_view Text);

    const std::vector<TOutlineEntry>& Entries() const { return FEntries; }

    // The entry a line belongs to: the last one starting on or before it
    // (of several on one line, the last); -1 before the first entry.
    std::int32_t EntryAt(std::int32_t Line) const;

private:
    std::vector<TOutlineEntry> FEntries;
};
