#include "app/KeyboardMenus.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>

namespace verdo::app {

void OpenContextMenusByKeyboard(QWidget& window) {
  for (const QKeySequence& keys : {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
    auto* shortcut = new QShortcut(keys, &window);
    QObject::connect(shortcut, &QShortcut::activated, &window, [&window] {
      QWidget* control = window.focusWidget() ? window.focusWidget() : &window;
      const QPoint middle = control->rect().center();
      // A control that has no menu of its own passes the event on to its
      // parents, up to the window.
      QContextMenuEvent request(QContextMenuEvent::Keyboard, middle, control->mapToGlobal(middle));
      QCoreApplication::sendEvent(control, &request);
    });
  }
}

void AddToContextMenu(QLineEdit& edit, QAction* item) {
  edit.setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(&edit, &QWidget::customContextMenuRequested, &edit, [&edit, item](const QPoint& at) {
    QMenu* menu = edit.createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    menu->addAction(item);
    menu->popup(edit.mapToGlobal(at));
  });
}

}  // namespace verdo::app
