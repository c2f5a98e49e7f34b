#include "ui/window/windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace {

// Qt's geometry arithmetic adds sizes to positions in int: keep positions
// where that cannot overflow whatever the stored value.
constexpr int MaxWindowPosition = QWIDGETSIZE_MAX;

QSize PrimaryScreenSize()
{
    const QScreen* Screen = QGuiApplication::primaryScreen();
    return Screen ? Screen->geometry().size() : QSize(0, 0);
}

// (Screen - Window) div 2, computed so that no stored size can overflow.
int Centred(int ScreenSize, int WindowSize)
{
    const std::int64_t Offset = (std::int64_t(ScreenSize) - WindowSize) / 2;
    return static_cast<int>(std::clamp<std::int64_t>(Offset, -MaxWindowPosition, MaxWindowPosition));
}

int WindowPosition(std::int32_t Stored)
{
    return std::clamp<std::int32_t>(Stored, -MaxWindowPosition, MaxWindowPosition);
}

void ActivateLayout(QWidget& Window)
{
    if (Window.layout())
        Window.layout()->activate();
}

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

void TWindowPlacement::Restore(const TWindowSettings& Settings)
{
    const QSize Screen = PrimaryScreenSize();
    // The window's own minimum size applies from here on, as it would on screen.
    ActivateLayout(FWindow);
    // The stored size is the outer one; the window's minimum size applies.
    FWindow.resize(Settings.Width.value_or(Screen.width() / 2), Settings.Height.value_or(Screen.height() / 2));
    // Centred, by default, for the size the window really gets.
    const QScreen* Primary = QGuiApplication::primaryScreen();
    const QSize Outer = Primary ? FWindow.size().boundedTo(Primary->availableGeometry().size()) : FWindow.size();
    const int Left = WindowPosition(Settings.Left.value_or(Centred(Screen.width(), Outer.width())));
    const int Top = WindowPosition(Settings.Top.value_or(Centred(Screen.height(), Outer.height())));
    Place(QRect(QPoint(Left, Top), Outer));
    ActivateLayout(FWindow);
}

void TWindowPlacement::Store(TWindowSettings& Settings) const
{
    if (FWindow.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    const QSize Outer = OuterSize();
    Settings.Width = Outer.width();
    Settings.Height = Outer.height();
    Settings.Left = FWindow.x();
    Settings.Top = FWindow.y();
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
