#include "ui/common/menuplace.h"

#include <QMenu>

namespace gui {

void InsertAfter(QMenu& Menu, QAction* After, std::initializer_list<QAction*> Items)
{
    const QList<QAction*> Present = Menu.actions();
    const qsizetype At = Present.indexOf(After);
    QAction* Before = At < 0 ? nullptr : Present.value(At + 1);
    for (QAction* Item : Items)
        Menu.insertAction(Before, Item);
}

}  // namespace gui
