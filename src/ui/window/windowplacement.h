// The main window's placement as the settings file keeps it: the outer bounds
// (frame included), fitted into the screens' available area.
#pragma once

#include "ui/window/windowsettings.h"

#include <QList>
#include <QObject>
#include <QRect>

class QWidget;

// Where a window of the outer bounds Wanted goes among screens whose available
// areas are Areas (the first being the primary screen's): no larger than the
// area it is mostly on; where it was put when it shows on a screen at all,
// else just inside the primary one.
QRect FitIntoScreens(const QRect& Wanted, const QList<QRect>& Areas);

// Places one top-level window by its outer bounds. The frame's size is known
// only once the window is on screen, so until then the outer size waits here
// and is applied as soon as the frame shows.
class TWindowPlacement : public QObject {
    Q_OBJECT
public:
    explicit TWindowPlacement(QWidget& Window);

    // Gives the window the outer bounds Outer, fitted into the screens.
    void Place(const QRect& Outer);
    // The outer size: the frame's, or the one still waiting for it.
    QSize OuterSize() const;

    // Places the window by the stored bounds of Settings (Width to Top); by
    // default half the primary screen's size, centred on it.
    void Restore(const TWindowSettings& Settings);
    // The bounds to store into Settings; none while the window is maximised,
    // minimised or full screen, which keeps the stored ones.
    void Store(TWindowSettings& Settings) const;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool FrameKnown() const;
    void ApplyOuterSize();

    QWidget& FWindow;
    QSize FPendingOuterSize;
    QSize FAppliedSize;  // the window's own size when the outer size was applied
};
