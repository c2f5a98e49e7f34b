// One press of Find Next: where the search starts, the search across objects,
// and what the window shows afterwards.
//
// The window's part is the small TFindView interface; the search itself keeps
// no state. Every position in it is a byte position in an object's text: the
// view translates to and from what its document holds.
#pragma once

#include <cstdint>
#include <string_view>

class TEncodingChoice;
class TFindText;
class TObjectTextFile;

// What a search needs of the window's views.
class TFindView {
public:
    virtual ~TFindView() = default;

    // The object whose node is selected in the tree; -1 for the root or no node.
    virtual std::int32_t SelectedObjectIndex() const = 0;
    // The text view's selection as 0-based byte offsets in the shown object's
    // text; the length is 0 when nothing is selected (the start is the caret).
    virtual std::int32_t TextSelectionStart() const = 0;
    virtual std::int32_t TextSelectionLength() const = 0;

    // Selects object ObjectIndex's node and scrolls the tree to it.
    virtual void SelectObjectNode(std::int32_t ObjectIndex) = 0;
    // Shows object ObjectIndex's text (text view shown, list hidden); nothing
    // changes when that text is already shown.
    virtual void ShowObjectText(std::int32_t ObjectIndex) = 0;
    // Selects Length bytes from Start in the shown text, scrolls the caret
    // into view and gives the text the keyboard focus.
    virtual void SelectTextBytes(std::int32_t Start, std::int32_t Length) = 0;
    // The system's default beep.
    virtual void Beep() = 0;
    // An occurrence is about to be shown: the place shown now is one to come back to.
    virtual void Leaving() {}
};

// Shows an occurrence as a search does: object ObjectIndex's node selected,
// its text shown and Length bytes from Position (1-based) selected in it.
void ShowOccurrence(TFindView& View, std::int32_t ObjectIndex, std::int32_t Position, std::int32_t Length);

// Runs one search for Text from the views' selection: forward through the
// selected object, then through every later object, never wrapping around;
// each object is searched in the encoding Encodings gives it. Shows the
// occurrence found, or beeps. Shows the hourglass while it runs. A failure
// reading an object's text is thrown, with the views left as they were.
// Returns true when an occurrence was found.
bool FindNextInViews(TObjectTextFile& File, TFindView& View, const TFindText& Text, TEncodingChoice& Encodings);
// The same backwards: the last occurrence that begins before the selection,
// then through the objects before it.
bool FindPreviousInViews(TObjectTextFile& File, TFindView& View, const TFindText& Text,
                         TEncodingChoice& Encodings);
