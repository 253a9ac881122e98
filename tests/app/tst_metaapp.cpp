// The application object: the start-up failure's message and the modal run
// of the main dialog.
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include "app/CMetaApp.h"
#include "app/CMetaDlg.h"
#include "app/ModalAnswerer.h"
#include "core/form/ControlIds.h"

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

// Runs the program with a template named on the command line and looks at
// the main dialog once the load is over (a box about it answered, or the
// caption set), then presses Exit. Returns the caption then.
struct StartWithTemplate {
  ModalAnswerer Answerer;
  QString Caption;
  QString Title;
  bool WindowUpAtBox = false;

  explicit StartWithTemplate(const std::string& path, bool expectBox) {
    PlainApp app(*static_cast<QApplication*>(QCoreApplication::instance()));
    app.SetStartTemplate(path);
    Answerer.OnBox = [&](QDialog*) { WindowUpAtBox = app.MainDialog() && app.MainDialog()->isVisible(); };
    Answerer.OnDialog = [this, expectBox](QWidget* dialog) {
      // Outside the answerer's own poll, so that it goes on answering boxes.
      QTimer::singleShot(0, dialog, [this, expectBox, dialog] {
        // Exit is pressed also when a check below fails, so the run ends.
        const auto exit = qScopeGuard([dialog] { dialog->findChild<QPushButton*>(QStringLiteral("2"))->click(); });
        if (expectBox) QTRY_COMPARE(Answerer.Boxes.size(), std::size_t(1));
        QTRY_VERIFY(dialog->windowTitle() != QStringLiteral("Verdo"));
        Caption = dialog->windowTitle();
        Title = dialog->findChild<QLineEdit*>(QStringLiteral("1010"))->text();
      });
    };
    Status = app.Run();
  }
  int Status = -1;
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

  void desktopLinksTheWindowToItsEntry() {
    CMetaApp app(App());
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.example.verdo"));
  }

  void templateOnTheCommandLineIsLoadedAsLoadDoes() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("shop.tem"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("OWNER=Verdo 1.0\r\nTITLE=Garden Shop\r\nKW1=spade\r\n");
    file.close();
    // A relative name shows as its full path, as the open dialog gives it.
    const QString before = QDir::currentPath();
    QDir::setCurrent(folder.path());
    StartWithTemplate run("shop.tem", false);
    QDir::setCurrent(before);
    QCOMPARE(run.Status, 0);
    QCOMPARE(run.Caption, QStringLiteral("Verdo: ") + QFileInfo(path).absoluteFilePath());
    QCOMPARE(run.Title, QStringLiteral("Garden Shop"));
    QVERIFY(run.Answerer.Boxes.empty());
  }

  void templateThatCantBeOpenedGivesTheLoadMessageOverTheWindow() {
    QTemporaryDir folder;
    const std::string missing = folder.filePath(QStringLiteral("gone.tem")).toStdString();
    StartWithTemplate run(missing, true);
    QCOMPARE(run.Status, 0);
    QCOMPARE(run.Answerer.Boxes.size(), std::size_t(1));
    QCOMPARE(run.Answerer.Boxes[0].Text, QStringLiteral("Error Opening File"));
    QCOMPARE(run.Answerer.Boxes[0].Caption, QStringLiteral("Load Template"));
    QVERIFY(run.WindowUpAtBox);
    QCOMPARE(run.Caption, QStringLiteral("Verdo: ") + QString::fromStdString(missing));
    QCOMPARE(run.Title, QString());
  }

  void templateArgumentSkipsOptionsAndAutomationOptions() {
    using verdo::app::TemplateArgument;
    using Words = std::vector<std::string>;
    const struct {
      Words Given;
      std::optional<std::string> Expected;
    } cases[] = {
        {{}, std::nullopt},
        {{"shop.tem"}, "shop.tem"},
        {{"/home/u/shop.tem"}, "/home/u/shop.tem"},  // the desktop hands over full paths
        {{"-Automation", "shop.tem"}, "shop.tem"},
        {{"--Automation", "x/Embedding"}, "x/Embedding"},
        {{"--", "-x.tem", "a.tem", "b.tem"}, "a.tem"},
        {{"/Automation"}, std::nullopt},
        {{"/srv/Automation/a.tem"}, "/srv/Automation/a.tem"},  // a file in a folder of that name
        {{"/srv/automation/a.tem"}, "/srv/automation/a.tem"},
        {{""}, std::nullopt},
    };
    for (const auto& c : cases) QCOMPARE(TemplateArgument(c.Given), c.Expected);
  }
};

QTEST_MAIN(MetaAppTest)
#include "tst_metaapp.moc"
