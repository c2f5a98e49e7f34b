#include "ui/window/findviews.h"

#include "ui/views/objectbrowser.h"
#include "ui/views/objecttextview.h"

std::int32_t TWindowFindViews::SelectedObjectIndex() const
{
    return FBrowser.SelectedObjectIndex();
}

std::int32_t TWindowFindViews::TextSelectionStart() const
{
    return FText.ByteSelectionStart();
}

std::int32_t TWindowFindViews::TextSelectionLength() const
{
    return FText.ByteSelectionLength();
}

void TWindowFindViews::SelectTextBytes(std::int32_t Start, std::int32_t Length)
{
    FText.SelectBytes(Start, Length);
    // Down then moves on from the occurrence, not to the next object.
    FText.setFocus();
}
