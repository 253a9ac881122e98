// Finds the main dialog's controls by their ids and works them as a user
// does: typing replaces what a box holds, a press is a mouse click.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest>

#include "app/CMetaDlg.h"
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

// Answers a file dialog with a full path, as typing it into the name box
// does. QFileDialog::selectFile leaves that box alone while it has the focus,
// so the box's text is set directly, wherever the focus is.
inline void TypeFileName(QFileDialog* dialog, const QString& path) {
  dialog->selectFile(path);  // shows its folder, with nothing selected in the list
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!name) qFatal("no name box in the file dialog");
  name->setText(path);
}

// What the button tests share: a fresh main dialog for each test, shown, and
// the user's hands on it by control id. A test class derives from it beside
// QObject and calls OpenDialog in init() and CloseDialog in cleanup().
class DialogUnderTest {
 protected:
  CMetaDlg* Dialog = nullptr;

  void OpenDialog() {
    Dialog = new CMetaDlg;
    Dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(Dialog));
  }
  void CloseDialog() {
    delete Dialog;
    Dialog = nullptr;
  }
  QLineEdit* Edit(int id) const { return EditOf(Dialog, id); }
  QAbstractButton* Button(int id) const { return ControlOf<QAbstractButton>(Dialog, id); }
  QString Text(int id) const { return Edit(id)->text(); }
  // Types into a box as the user does: replaces what it holds.
  void Type(int id, const QString& text) { QCOMPARE(TypeInto(Edit(id), text), text); }
  void Click(int id) const { PressButton(Dialog, id); }
};

}  // namespace verdo::testing
