#include "ui/window/taborder.h"

#include <QWidget>

namespace gui {

QList<QWidget*> TabStops(QWidget& Part)
{
    QList<QWidget*> Stops;
    const auto TakesTab = [](const QWidget& Control) {
        return (Control.focusPolicy() & Qt::TabFocus) && !Control.focusProxy();
    };
    if (TakesTab(Part))
        Stops << &Part;
    for (QWidget* Control = Part.nextInFocusChain(); Control && Control != &Part;
         Control = Control->nextInFocusChain())
        if (Part.isAncestorOf(Control) && TakesTab(*Control) && !Stops.contains(Control))
            Stops << Control;
    return Stops;
}

void SetTabOrder(const QList<QWidget*>& Parts)
{
    QList<QWidget*> Stops;
    for (QWidget* Part : Parts)
        if (Part)
            Stops << TabStops(*Part);
    for (qsizetype Index = 1; Index < Stops.size(); ++Index)
        QWidget::setTabOrder(Stops.at(Index - 1), Stops.at(Index));
}

}  // namespace gui
