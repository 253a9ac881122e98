// The application object: the start-up failure's message and the modal run
// of the main dialog.
#include <QPushButton>
#include <QtTest>

#include "app/CMetaApp.h"
#include "app/CMetaDlg.h"
#include "core/form/ControlIds.h"
#include "app/ModalAnswerer.h"

using verdo::testing::ModalAnswerer;

namespace {

// The network start-up refuses, as it would without a working libcurl.
class NoSocketsApp : public CMetaApp {
 public:
  using CMetaApp::CMetaApp;
  bool AutomationSetUp = false;

 protected:
  bool StartSockets() override { return false; }
  void SetUpAutomation() override { AutomationSetUp = true; }
};

// The automation endpoint is left out; the order of start-up is recorded.
class PlainApp : public CMetaApp {
 public:
  using CMetaApp::CMetaApp;
  bool DialogExistedAtAutomation = true;

 protected:
  void SetUpAutomation() override { DialogExistedAtAutomation = MainDialog() != nullptr; }
};

QApplication& App() { return *static_cast<QApplication*>(QCoreApplication::instance()); }

}  // namespace

class MetaAppTest : public QObject {
  Q_OBJECT

 private slots:
  void applicationTitleIsTheExecutablesName() {
    CMetaApp app(App());
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("tst_metaapp"));
    QCOMPARE(app.Arguments().value(0), QCoreApplication::arguments().value(0));
  }

  void socketsFailureShowsTheMessageAndEnds() {
    NoSocketsApp app(App());
    ModalAnswerer answerer;
    QCOMPARE(app.Run(), 1);
    QCOMPARE(answerer.Boxes.size(), std::size_t(1));
    QCOMPARE(answerer.Boxes[0].Text, QStringLiteral("Windows sockets initialization failed."));
    QCOMPARE(answerer.Boxes[0].Caption, QStringLiteral("tst_metaapp"));
    QCOMPARE(answerer.Boxes[0].Icon, QMessageBox::Warning);
    // No window was made, and nothing after the sockets ran.
    QVERIFY(answerer.DialogTitles.empty());
    QVERIFY(!app.AutomationSetUp);
  }

  void runShowsTheMainDialogModallyUntilItEnds() {
    PlainApp app(App());
    ModalAnswerer answerer;
    CMetaDlg* seen = nullptr;
    bool wasModal = false;
    answerer.OnDialog = [&](QWidget* w) {
      seen = qobject_cast<CMetaDlg*>(w);
      wasModal = w->isModal();
      QVERIFY(seen);
      QCOMPARE(app.MainDialog(), seen);
      seen->findChild<QPushButton*>(QString::number(verdo::control::Exit))->click();
    };
    QCOMPARE(app.Run(), 0);
    QVERIFY(seen);
    QVERIFY(wasModal);
    QCOMPARE(answerer.DialogTitles, std::vector<QString>{QStringLiteral("Verdo")});
    QCOMPARE(app.MainDialog(), nullptr);
    QVERIFY(!app.DialogExistedAtAutomation);
  }
};

QTEST_MAIN(MetaAppTest)
#include "tst_metaapp.moc"
