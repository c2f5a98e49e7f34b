// The order in which Tab walks through a window's parts. Each part is a
// widget that may hold others (a tool bar, a dock): Tab visits the controls
// in it that take Tab, in their own order, before going on to the next part.
#pragma once

#include <QList>

class QWidget;

namespace gui {

// The controls in Part that Tab reaches (Part itself first when it takes
// Tab), in their order in the focus chain. Hidden and disabled ones count:
// Tab passes over them as long as they stay so.
QList<QWidget*> TabStops(QWidget& Part);

// Tab goes through Parts in the order given.
void SetTabOrder(const QList<QWidget*>& Parts);

}  // namespace gui
