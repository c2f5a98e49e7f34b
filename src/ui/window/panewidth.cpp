#include "ui/window/panewidth.h"

#include <QEvent>
#include <QSplitter>

#include <algorithm>

TPaneWidth::TPaneWidth(QSplitter& Splitter) : QObject(&Splitter), FSplitter(Splitter)
{
    FSplitter.setStretchFactor(0, 0);
    FSplitter.setStretchFactor(1, 1);
    FSplitter.installEventFilter(this);
}

void TPaneWidth::Set(int Width)
{
    const int Total = std::max(0, FSplitter.width() - FSplitter.handleWidth());
    Width = std::clamp(Width, 0, QWIDGETSIZE_MAX);
    FSplitter.setSizes({Width, std::max(Total - Width, 1)});
    if (!FSplitter.isVisible())
        FPending = Width;
}

int TPaneWidth::Width() const
{
    return FPending >= 0 ? FPending : FSplitter.sizes().value(0);
}

bool TPaneWidth::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == &FSplitter && Event->type() == QEvent::Show)
        FPending = -1;  // laid out now: its sizes tell the width
    return QObject::eventFilter(Watched, Event);
}
