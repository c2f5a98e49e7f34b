// The window's views as a search sees them: the tree's selected object and
// the text view's selection are read here; selecting an object's node,
// showing its text and the beep are the window's, handed in.
#pragma once

#include "ui/find/findnext.h"

#include <functional>

class TObjectBrowser;
class TObjectTextView;

class TWindowFindViews final : public TFindView {
public:
    // What the window does itself.
    struct TWindowSide {
        // The object's node selected, the filter cleared when it hides the object.
        std::function<void(std::int32_t ObjectIndex)> SelectObject;
        std::function<void(std::int32_t ObjectIndex)> ShowObjectText;
        std::function<void()> Beep;
        // Before an occurrence is shown (see TFindView::Leaving).
        std::function<void()> Leaving;
    };

    // Browser and Text outlive this object.
    TWindowFindViews(const TObjectBrowser& Browser, TObjectTextView& Text, TWindowSide Window)
        : FBrowser(Browser), FText(Text), FWindow(std::move(Window))
    {
    }

    std::int32_t SelectedObjectIndex() const override;
    std::int32_t TextSelectionStart() const override;
    std::int32_t TextSelectionLength() const override;
    void SelectObjectNode(std::int32_t ObjectIndex) override { FWindow.SelectObject(ObjectIndex); }
    void ShowObjectText(std::int32_t ObjectIndex) override { FWindow.ShowObjectText(ObjectIndex); }
    void SelectTextBytes(std::int32_t Start, std::int32_t Length) override;
    void Beep() override { FWindow.Beep(); }
    void Leaving() override
    {
        if (FWindow.Leaving)
            FWindow.Leaving();
    }

private:
    const TObjectBrowser& FBrowser;
    TObjectTextView& FText;
    TWindowSide FWindow;
};
