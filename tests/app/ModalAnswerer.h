// Answers the modal boxes, dialogs and menus that a test's action opens:
// every few milliseconds it looks for the active modal widget (or popup),
// writes down what it shows, and closes it the way the test says.
#pragma once

#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace verdo::testing {

struct SeenBox {
  QString Caption;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  qsizetype ButtonCount = 0;
};

class ModalAnswerer {
 public:
  // What to do with a modal widget that is not a message box (a file dialog,
  // the About box, the main dialog itself); by default it is rejected.
  std::function<void(QWidget*)> OnDialog = [](QWidget* w) {
    if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
  };
  // What to do with a popup menu; by default it is closed.
  std::function<void(QMenu*)> OnMenu = [](QMenu* m) { m->close(); };
  // Called before the first message box is answered (to look at the window
  // behind it while it is up).
  std::function<void(QMessageBox*)> OnBox;

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
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      Boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->buttons().size()});
      if (OnBox) OnBox(box);
      box->buttons().front()->click();
    } else {
      DialogTitles.push_back(modal->windowTitle());
      OnDialog(modal);
    }
  }

  QTimer Timer;
  QPointer<QWidget> LastAnswered;
};

}  // namespace verdo::testing
