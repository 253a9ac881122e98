// The program's own message box: the text, the caption, one OK button and
// no icon. The text can be selected and copied (mouse, Ctrl+A, Ctrl+C) but
// not changed. Lines break only where the text has a line break; the box
// grows with its text up to the screen's available area, and beyond that
// the text scrolls inside it. It is at least as wide as its caption needs,
// and an empty caption shows empty.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace verdo::app {

class CMessageBox : public QDialog {
  Q_OBJECT
 public:
  CMessageBox(const QString& caption, const QString& text, QWidget* parent);

  QString Text() const { return Message; }
  QPlainTextEdit* TextView() const { return View; }
  QPushButton* OkButton() const { return Ok; }

  // Room the window manager's title bar takes beside the caption's text: its
  // icon and buttons, generously.
  static constexpr int kTitleBarRoom = 160;

 private:
  void FitToText();

  QString Message;
  QPlainTextEdit* View;
  QPushButton* Ok;
};

}  // namespace verdo::app
