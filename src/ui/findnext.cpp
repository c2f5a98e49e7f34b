#include "ui/findnext.h"

#include "core/quibfile.h"
#include "ui/uiguards.h"

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

void ShowOccurrence(TFindView& View, std::int32_t ObjectIndex, std::int32_t Position,
                    std::int32_t Length)
{
    View.SelectObjectNode(ObjectIndex);
    View.ShowObjectText(ObjectIndex);
    View.SelectTextBytes(CheckedSub(Position, 1), Length);
}

} // namespace

bool FindNextInViews(TObjectTextFile& File, TFindView& View, std::string_view Text, bool MatchCase)
{
    const gui::TWaitCursor Hourglass;
    TSearchStart Start = SearchStart(View);
    if (!File.FindNext(Start.ObjectIndex, Start.Position, Text, MatchCase)) {
        View.Beep();
        return false;
    }
    // The occurrence lies inside one object's text, so its length fits.
    ShowOccurrence(View, Start.ObjectIndex, Start.Position, std::int32_t(Text.size()));
    return true;
}
