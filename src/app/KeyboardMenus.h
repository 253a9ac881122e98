// Context menus by keyboard. A Linux window manager keeps its window menu,
// and often Alt+Space, to itself, so the main dialog offers its own window
// menu; these make it reachable without a mouse from every control.
#pragma once

class QAction;
class QLineEdit;
class QWidget;

namespace verdo::app {

// Shift+F10 and the Menu key ask the control that has the focus for its
// context menu, as a right click on it does: an edit box shows its own, any
// other control leaves it to the window (its window menu).
void OpenContextMenusByKeyboard(QWidget& window);

// The edit box's own context menu (Undo, Cut, Copy, Paste, ...) with a
// separator and `item` added at its end.
void AddToContextMenu(QLineEdit& edit, QAction* item);

}  // namespace verdo::app
