// Finds the main dialog's controls by their ids and works them as a user
// does: typing replaces what a box holds, a press is a mouse click.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest>

#include "core/form/ControlIds.h"

namespace verdo::testing {

template <class T>
T* ControlOf(const QWidget* dialog, int id) {
  auto* control = dialog->findChild<T*>(QString::number(id));
  if (!control) qFatal("no control %d", id);
  return control;
}

inline QLineEdit* EditOf(const QWidget* dialog, int id) { return ControlOf<QLineEdit>(dialog, id); }

inline void PressButton(const QWidget* dialog, int id) {
  QTest::mouseClick(ControlOf<QAbstractButton>(dialog, id), Qt::LeftButton);
}

// Types any text, a key press a character (QTest::keyClicks knows only
// Latin-1).
inline void SendKeys(QWidget* widget, const QString& text) {
  for (char32_t ch : text.toUcs4()) {
    const QString one = QString::fromUcs4(&ch, 1);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, one);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, one);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }
}

// Selects all that the box holds, deletes it and types `text`. Returns the
// box's text.
inline QString TypeInto(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  SendKeys(edit, text);
  return edit->text();
}

}  // namespace verdo::testing
