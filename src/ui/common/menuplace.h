// Where a feature's items go among those of the window's menus.
#pragma once

#include <initializer_list>

class QAction;
class QMenu;

namespace gui {

// Puts Items into Menu, in their order, right after After; at the end when
// After is not in Menu.
void InsertAfter(QMenu& Menu, QAction* After, std::initializer_list<QAction*> Items);

}  // namespace gui
