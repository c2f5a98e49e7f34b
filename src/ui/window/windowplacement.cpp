#include "ui/window/windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace {

std::int64_t Overlap(const QRect& A, const QRect& B)
{
    const QRect Common = A.intersected(B);
    return Common.isEmpty() ? 0 : std::int64_t(Common.width()) * Common.height();
}

// Start such that a length Size starting at Start lies within [Low, Low + Room).
int FitSpan(int Start, int Size, int Low, int Room)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(Start, Low, std::int64_t(Low) + Room - Size));
}

QList<QRect> AvailableAreas()
{
    QList<QRect> Areas;
    if (const QScreen* Primary = QGuiApplication::primaryScreen())
        Areas << Primary->availableGeometry();
    for (const QScreen* Screen : QGuiApplication::screens())
        if (Screen != QGuiApplication::primaryScreen())
            Areas << Screen->availableGeometry();
    return Areas;
}

}  // namespace

QRect FitIntoScreens(const QRect& Wanted, const QList<QRect>& Areas)
{
    if (Areas.isEmpty())
        return Wanted;
    const auto Best = std::max_element(Areas.begin(), Areas.end(), [&](const QRect& A, const QRect& B) {
        return Overlap(Wanted, A) < Overlap(Wanted, B);
    });
    const bool OnAScreen = Overlap(Wanted, *Best) > 0;
    const QRect Area = OnAScreen ? *Best : Areas.first();
    QRect Fitted(Wanted.topLeft(), Wanted.size().boundedTo(Area.size()));
    // A window partly off the screen stays where it was put; one off every
    // screen comes onto the primary one.
    if (!OnAScreen || Overlap(Fitted, Area) == 0)
        Fitted.moveTo(FitSpan(Wanted.x(), Fitted.width(), Area.x(), Area.width()),
                      FitSpan(Wanted.y(), Fitted.height(), Area.y(), Area.height()));
    return Fitted;
}

TWindowPlacement::TWindowPlacement(QWidget& Window) : QObject(&Window), FWindow(Window)
{
    FWindow.installEventFilter(this);
}

void TWindowPlacement::Place(const QRect& Outer)
{
    const QRect Fitted = FitIntoScreens(Outer, AvailableAreas());
    FPendingOuterSize = Fitted.size();
    ApplyOuterSize();
    FWindow.move(Fitted.topLeft());
}

QSize TWindowPlacement::OuterSize() const
{
    // Until the frame shows, the size asked for, unless the window has been
    // resized since.
    if (FPendingOuterSize.isValid() && FWindow.size() == FAppliedSize)
        return FPendingOuterSize;
    return FWindow.frameGeometry().size();
}

bool TWindowPlacement::FrameKnown() const
{
    return FWindow.isVisible() && FWindow.frameGeometry() != FWindow.geometry();
}

void TWindowPlacement::ApplyOuterSize()
{
    const QSize Frame = FWindow.frameGeometry().size() - FWindow.geometry().size();
    FWindow.resize(FPendingOuterSize - Frame);
    FAppliedSize = FWindow.size();
    if (FrameKnown())
        FPendingOuterSize = QSize();
}

bool TWindowPlacement::eventFilter(QObject* Watched, QEvent* Event)
{
    // The window manager tells the frame's size after the window shows, and
    // the window learns it with the next move or resize.
    const QEvent::Type Type = Event->type();
    if (Watched == &FWindow && FPendingOuterSize.isValid() &&
        (Type == QEvent::Move || Type == QEvent::Resize || Type == QEvent::Show) && FrameKnown())
        ApplyOuterSize();
    return QObject::eventFilter(Watched, Event);
}
