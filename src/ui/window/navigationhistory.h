// Back and Forward through the places a jump left: Go to Object, Find Next
// and Previous, Find All, the outline, go to definition. A place is an
// object and the selection in its text. Alt+Left / Alt+Right and the
// mouse's back and forward buttons walk it as a web browser walks its pages.
#pragma once

#include <QObject>

#include <cstdint>
#include <vector>

class QAction;
class QWidget;
class TFindView;

class TNavigationHistory : public QObject {
    Q_OBJECT
public:
    // View reads the place shown and shows a place again; both outlive this
    // object. The mouse's buttons count inside Window.
    TNavigationHistory(QWidget& Window, TFindView& View);

    // Edit > Back and Edit > Forward, the window's to make commands.
    QAction* BackAction() const { return FBackAction; }
    QAction* ForwardAction() const { return FForwardAction; }

    // A jump is about to leave the place shown: it is the one Back returns
    // to, and the places ahead are dropped.
    void Record();
    bool CanGoBack() const { return !FBack.empty(); }
    bool CanGoForward() const { return !FForward.empty(); }
    void GoBack();
    void GoForward();
    // Another file: its places mean nothing any more.
    void Clear();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    struct TPlace {
        std::int32_t ObjectIndex = -1;
        std::int32_t Start = 0;
        std::int32_t Length = 0;
        bool operator==(const TPlace& O) const
        {
            return ObjectIndex == O.ObjectIndex && Start == O.Start && Length == O.Length;
        }
    };
    // The place shown; ObjectIndex -1 when no object's text is.
    TPlace Here() const;
    // Leaves the place shown for the last of From, which it is kept on To for the way back.
    void Step(std::vector<TPlace>& From, std::vector<TPlace>& To);
    static void Push(std::vector<TPlace>& Places, const TPlace& Place);

    QWidget& FWindow;
    TFindView& FView;
    QAction* FBackAction;
    QAction* FForwardAction;
    std::vector<TPlace> FBack, FForward;
};
