// Guarded clean-ups of the window: each restores what it changed when its
// scope ends, whether the work in it completed or threw.
#pragma once

#include <QApplication>
#include <QCursor>
#include <QWidget>

namespace gui {

// The application-wide hourglass for a long step.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// A widget's redrawing suspended while it is rebuilt.
class TUpdatesSuspended {
public:
    explicit TUpdatesSuspended(QWidget* Widget) : FWidget(Widget), FWasEnabled(Widget->updatesEnabled())
    {
        FWidget->setUpdatesEnabled(false);
    }
    ~TUpdatesSuspended() { FWidget->setUpdatesEnabled(FWasEnabled); }
    TUpdatesSuspended(const TUpdatesSuspended&) = delete;
    TUpdatesSuspended& operator=(const TUpdatesSuspended&) = delete;

private:
    QWidget* FWidget;
    bool FWasEnabled;
};

}  // namespace gui
