// Answers the modal boxes, dialogs and menus that a test's action opens:
// every few milliseconds it looks for the active modal widget (or popup),
// writes down what it shows, and closes it the way the test says.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "app/MessageBox.h"

namespace verdo::testing {

struct SeenBox {
  QString Caption;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  qsizetype ButtonCount = 0;
};

// What a message box shows, the framework's (QMessageBox) or the program's
// own; nothing for any other widget.
inline std::optional<SeenBox> SeeBox(QWidget* widget) {
  if (auto* box = qobject_cast<QMessageBox*>(widget)) {
    return SeenBox{box->windowTitle(), box->text(), box->icon(), box->buttons().size()};
  }
  if (auto* box = qobject_cast<app::CMessageBox*>(widget)) {
    bool picture = false;
    for (QLabel* label : box->findChildren<QLabel*>()) picture = picture || !label->pixmap().isNull();
    return SeenBox{box->windowTitle(), box->Text(), picture ? QMessageBox::Information : QMessageBox::NoIcon,
                   box->findChildren<QAbstractButton*>().size()};
  }
  return std::nullopt;
}

// Closes a message box with its (first) button, unless it was answered already.
inline void AnswerBox(QWidget* widget) {
  if (!widget->isVisible()) return;
  if (auto* box = qobject_cast<QMessageBox*>(widget)) box->buttons().front()->click();
  if (auto* box = qobject_cast<app::CMessageBox*>(widget)) box->OkButton()->click();
}

class ModalAnswerer {
 public:
  // What to do with a modal widget that is not a message box (a file dialog,
  // the About box, the main dialog itself); by default it is rejected.
  std::function<void(QWidget*)> OnDialog = [](QWidget* w) {
    if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
  };
  // What to do with a popup menu; by default it is closed.
  std::function<void(QMenu*)> OnMenu = [](QMenu* m) { m->close(); };
  // Called before a message box is answered (to look at the window behind
  // it while it is up, or to answer it otherwise).
  std::function<void(QDialog*)> OnBox;

  std::vector<SeenBox> Boxes;
  std::vector<QString> DialogTitles;
  std::vector<QMenu*> Menus;

  ModalAnswerer() {
    Timer.setInterval(5);
    QObject::connect(&Timer, &QTimer::timeout, [this] { Poll(); });
    Timer.start();
  }

 private:
  void Poll() {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      Menus.push_back(menu);
      OnMenu(menu);
      return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == LastAnswered || !modal->isVisible()) return;
    LastAnswered = modal;
    if (const auto seen = SeeBox(modal)) {
      Boxes.push_back(*seen);
      if (OnBox) OnBox(qobject_cast<QDialog*>(modal));
      AnswerBox(modal);
    } else {
      DialogTitles.push_back(modal->windowTitle());
      OnDialog(modal);
    }
  }

  QTimer Timer;
  QPointer<QWidget> LastAnswered;
};

}  // namespace verdo::testing
