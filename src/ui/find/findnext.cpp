#include "ui/find/findnext.h"

#include "core/search/findtext.h"
#include "core/quibfile.h"
#include "ui/common/uiguards.h"

namespace {

struct TSearchStart {
    std::int32_t ObjectIndex;
    std::int32_t Position; // 1-based
};

// From an object's node: just after the selection in its text, or at the caret.
// From the root or from no node (no file): the first character of the first object.
TSearchStart SearchStart(const TFindView& View)
{
    const std::int32_t Selected = View.SelectedObjectIndex();
    if (Selected < 0)
        return {0, 1};
    return {Selected,
            CheckedAdd(CheckedAdd(View.TextSelectionStart(), View.TextSelectionLength()), 1)};
}

} // namespace

void ShowOccurrence(TFindView& View, std::int32_t ObjectIndex, std::int32_t Position, std::int32_t Length)
{
    View.Leaving();
    View.SelectObjectNode(ObjectIndex);
    View.ShowObjectText(ObjectIndex);
    View.SelectTextBytes(CheckedSub(Position, 1), Length);
}

bool FindNextInViews(TObjectTextFile& File, TFindView& View, const TFindText& Text, TEncodingChoice& Encodings)
{
    const gui::TWaitCursor Hourglass;
    TSearchStart Start = SearchStart(View);
    std::int32_t Length = 0;
    if (!File.FindNext(Start.ObjectIndex, Start.Position, Length, Text, Encodings)) {
        View.Beep();
        return false;
    }
    ShowOccurrence(View, Start.ObjectIndex, Start.Position, Length);
    return true;
}

bool FindPreviousInViews(TObjectTextFile& File, TFindView& View, const TFindText& Text,
                         TEncodingChoice& Encodings)
{
    const gui::TWaitCursor Hourglass;
    const std::int32_t Selected = View.SelectedObjectIndex();
    // From the root or no node there is nothing before.
    if (Selected < 0) {
        View.Beep();
        return false;
    }
    std::int32_t ObjectIndex = Selected;
    std::int32_t Position = CheckedAdd(View.TextSelectionStart(), 1);
    std::int32_t Length = 0;
    if (!File.FindPrevious(ObjectIndex, Position, Length, Text, Encodings)) {
        View.Beep();
        return false;
    }
    ShowOccurrence(View, ObjectIndex, Position, Length);
    return true;
}
