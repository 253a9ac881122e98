// The automation endpoint against a private D-Bus daemon of the test's own:
// activation by a client's request, the object without members, single use,
// the hidden window while an object is held, and the end at the final release.
#include <signal.h>
#include <sys/stat.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Automation.h"
#include "app/CMetaDlg.h"
#include "core/form/ControlIds.h"

namespace {

const QString kName = QStringLiteral("Deri.Didivizavud");
const QString kFactory = QStringLiteral("/Deri/Didivizavud");
const QString kFactoryInterface = QStringLiteral("Deri.Didivizavud.ClassFactory");

QString VerdoBinary() { return qEnvironmentVariable("VERDO_BIN") + QStringLiteral("/verdo"); }

bool ProcessGone(uint pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return true;
  const QByteArray fields = stat.readAll();
  return fields.mid(fields.lastIndexOf(')') + 2, 1) == "Z";  // ended, not yet reaped
}

// A client on the private bus: its own connection, so leaving is disconnecting.
class Client {
 public:
  Client(const QString& address, const QString& name) : Name(name), Bus(QDBusConnection::connectToBus(address, name)) {}
  ~Client() { Leave(); }
  // The connection closes once no QDBusConnection refers to it any more.
  void Leave() {
    Bus = QDBusConnection(QStringLiteral("left"));
    QDBusConnection::disconnectFromBus(Name);
  }

  QDBusMessage Call(const QString& service, const QString& path, const QString& interface, const QString& method,
                    const QVariantList& args = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return Bus.call(message, QDBus::BlockWithGui, 20000);
  }
  // CreateInstance through the well-known name; the answer's sender is the
  // server's unique name, which later calls must use.
  QDBusMessage Create() { return Call(kName, kFactory, kFactoryInterface, QStringLiteral("CreateInstance")); }
  uint PidOf(const QString& uniqueName) { return Bus.interface()->servicePid(uniqueName).value(); }

  QString Name;
  QDBusConnection Bus;
};

// An X server of the test's own (Xvfb picks a free display number), and
// xdotool to work the windows on it as a user does.
class VirtualDisplay {
 public:
  ~VirtualDisplay() {
    Server.terminate();
    Server.waitForFinished();
  }
  bool Start() {
    Server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!Server.waitForStarted()) return false;
    while (!Server.canReadLine())
      if (!Server.waitForReadyRead(20000)) return false;
    Name = QStringLiteral(":") + QString::fromUtf8(Server.readLine()).trimmed();
    return Name.size() > 1;
  }
  // xdotool's output (or another X tool's); it waits for the tool's end.
  QString Run(const QStringList& args, const QString& program = QStringLiteral("xdotool")) {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), Name);
    tool.setProcessEnvironment(env);
    tool.start(program, args);
    tool.waitForFinished(30000);
    return QString::fromUtf8(tool.readAllStandardOutput());
  }

  QString Name;

 private:
  QProcess Server;
};

}  // namespace

class AutomationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(Data.isValid());
    // The daemon finds activation files under its own XDG_DATA_HOME.
    qputenv("XDG_DATA_HOME", Data.filePath(QStringLiteral("data")).toUtf8());
    QVERIFY(verdo::app::UpdateActivationFile(VerdoBinary()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    Daemon.setProcessEnvironment(env);
    Daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    QVERIFY(Daemon.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(Daemon.canReadLine(), 10000);
    Address = QString::fromUtf8(Daemon.readLine()).trimmed();
    QVERIFY(!Address.isEmpty());
  }

  void cleanupTestCase() {
    Daemon.terminate();
    Daemon.waitForFinished();
  }

  void normalStartWritesTheActivationFileAndLowerCaseCountsAsNormal() {
    for (const QString& option : {QString(), QStringLiteral("-automation")}) {
      QTemporaryDir home;
      QProcess verdo;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
      env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), Address);
      verdo.setProcessEnvironment(env);
      verdo.start(VerdoBinary(), option.isEmpty() ? QStringList() : QStringList{option});
      QVERIFY(verdo.waitForStarted());
      QFile file(home.filePath(QStringLiteral("dbus-1/services/Deri.Didivizavud.service")));
      QTRY_VERIFY_WITH_TIMEOUT(file.size() > 0, 15000);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(QString::fromUtf8(file.readAll()),
               QStringLiteral("[D-BUS Service]\nName=Deri.Didivizavud\nExec=%1 -Automation\n")
                   .arg(QFileInfo(VerdoBinary()).canonicalFilePath()));
      Client probe(Address, QStringLiteral("probe"));
      QVERIFY(!probe.Bus.interface()->isServiceRegistered(kName).value() ||
              probe.PidOf(probe.Bus.interface()->serviceOwner(kName).value()) != uint(verdo.processId()));
      verdo.kill();
      verdo.waitForFinished();
    }
  }

  void requestStartsTheProgramAndLeavingTheBusEndsIt() {
    Client client(Address, QStringLiteral("leaver"));
    const QDBusMessage reply = client.Create();
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QVERIFY(reply.arguments().value(0).value<QDBusObjectPath>().path().startsWith(kFactory + "/"));
    const uint pid = client.PidOf(reply.service());
    QVERIFY(pid > 0);
    QVERIFY(!ProcessGone(pid));
    client.Leave();
    QTRY_VERIFY_WITH_TIMEOUT(ProcessGone(pid), 15000);
  }

  void objectHasNoMembersAndTheNameIsSingleUse() {
    Client first(Address, QStringLiteral("first"));
    const QDBusMessage created = first.Create();
    QCOMPARE(created.type(), QDBusMessage::ReplyMessage);
    const QString server = created.service();
    const QString object = created.arguments().value(0).value<QDBusObjectPath>().path();

    const QDBusMessage unknown = first.Call(server, object, kName, QStringLiteral("Anything"));
    QCOMPARE(unknown.errorName(), QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    const QDBusMessage introspection =
        first.Call(server, object, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QString xml = introspection.arguments().value(0).toString();
    QVERIFY2(xml.contains(QStringLiteral("<interface name=\"Deri.Didivizavud\"/>")), qPrintable(xml));

    // The first program serves no second object, even asked by its own name.
    const QDBusMessage again = first.Call(server, kFactory, kFactoryInterface, QStringLiteral("CreateInstance"));
    QCOMPARE(again.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));

    // The name is given up: the next request starts a second process.
    Client second(Address, QStringLiteral("second"));
    const QDBusMessage other = second.Create();
    QCOMPARE(other.type(), QDBusMessage::ReplyMessage);
    const uint firstPid = first.PidOf(server);
    const uint secondPid = second.PidOf(other.service());
    QVERIFY(firstPid != secondPid);

    // Only the creator may release; then the first program ends, the second goes on.
    const QVariantList path{QVariant::fromValue(QDBusObjectPath(object))};
    QVERIFY(second.Call(server, kFactory, kFactoryInterface, QStringLiteral("Release"), path).type() ==
            QDBusMessage::ErrorMessage);
    QCOMPARE(first.Call(server, kFactory, kFactoryInterface, QStringLiteral("Release"), path).type(),
             QDBusMessage::ReplyMessage);
    QTRY_VERIFY_WITH_TIMEOUT(ProcessGone(firstPid), 15000);
    QVERIFY(!ProcessGone(secondPid));
    second.Leave();
    QTRY_VERIFY_WITH_TIMEOUT(ProcessGone(secondPid), 15000);
  }

  // In this process: the window hides while an object is held, and the final
  // release ends the dialog of a program started for automation.
  void exitHidesWhileHeldAndTheReleaseEndsTheDialog() {
    CMetaDlg dialog;
    dialog.show();
    QDBusConnection serverBus = QDBusConnection::connectToBus(Address, QStringLiteral("server"));
    CAutomationServer server(serverBus, [&] { return &dialog; });
    QVERIFY(server.Register());
    QSignalSpy finished(&dialog, &QDialog::finished);

    Client client(Address, QStringLiteral("holder"));
    const QDBusMessage created = client.Create();
    QCOMPARE(created.type(), QDBusMessage::ReplyMessage);
    QVERIFY(dialog.AutoProxy());

    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(verdo::control::Exit)), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.count(), 0);

    const QVariantList path{created.arguments().value(0)};
    QCOMPARE(client.Call(created.service(), kFactory, kFactoryInterface, QStringLiteral("Release"), path).type(),
             QDBusMessage::ReplyMessage);
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!dialog.AutoProxy());
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
  }

  // A modal box open over the window at the final release keeps it: the
  // program is the user's from then on, and Exit ends it as usual.
  void releaseWhileAModalBoxIsOpenLeavesTheProgramToTheUser() {
    CMetaDlg dialog;
    dialog.show();
    CAutomationServer server(QDBusConnection(QStringLiteral("none")), [&] { return &dialog; });
    const QDBusObjectPath path = server.CreateInstance();
    QVERIFY(dialog.AutoProxy());
    QSignalSpy finished(&dialog, &QDialog::finished);

    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Ok, &dialog);
    box.open();
    QTRY_VERIFY(QApplication::activeModalWidget() == &box);
    server.Release(path);
    QCOMPARE(finished.count(), 0);
    QVERIFY(server.UserControl());
    box.close();

    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::number(verdo::control::Exit)), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
  }

  // A release that comes while a button's work lets the window paint (a
  // download) ends the dialog once that work is done, not under its feet.
  void releaseDuringADownloadWaitsForItsEnd() {
    CMetaDlg dialog;
    dialog.show();
    CAutomationServer server(QDBusConnection(QStringLiteral("none")), [&] { return &dialog; });
    const QDBusObjectPath path = server.CreateInstance();
    QSignalSpy finished(&dialog, &QDialog::finished);

    QMetaObject::invokeMethod(
        &server, [&] { server.Release(path); }, Qt::QueuedConnection);
    dialog.KeepPainting();  // as a download does, again and again
    dialog.KeepPainting();
    QCOMPARE(finished.count(), 0);
    QVERIFY(dialog.isVisible());
    QTRY_COMPARE(finished.count(), 1);
  }

  void optionWordsAreWholeArgumentsInExactCase() {
    using verdo::app::StartedForAutomation;
    const struct {
      QStringList Line;
      bool Automated;
    } cases[] = {
        {{"verdo", "x", "-Automation"}, true},
        {{"verdo", "/Embedding", "y"}, true},
        {{"verdo", "/Automation"}, true},
        {{"verdo", "-Embedding"}, true},
        {{"verdo", "--Automation"}, true},
        {{"verdo", "--Embedding"}, true},
        {{"verdo", "-Automationx"}, false},
        {{"verdo", "x/Embedding"}, false},
        {{"verdo", "/srv/Automation/a.tem"}, false},
        {{"verdo", "a-Embedding.tem"}, false},
        {{"verdo", "---Automation"}, false},
        {{"verdo", "//Automation"}, false},
        {{"verdo", "-automation"}, false},
        {{"verdo", "-EMBEDDING"}, false},
        {{"verdo", "Automation"}, false},
        {{"verdo", "+Automation", "Embedding"}, false},
        {{"verdo", "-Automatio", "-"}, false},
        {{"-Automation"}, false},  // the program's own name doesn't count
    };
    for (const auto& c : cases) QVERIFY2(StartedForAutomation(c.Line) == c.Automated, qPrintable(c.Line.join(' ')));
  }

  void activationFileQuotesAnAwkwardPath() {
    const QString awkward = QStringLiteral("/opt/my apps/it's/verdo");
    const QString text = verdo::app::ActivationFileText(awkward);
    QCOMPARE(text, QStringLiteral(
                       "[D-BUS Service]\nName=Deri.Didivizavud\nExec='/opt/my apps/it'\\''s/verdo' -Automation\n"));
    QCOMPARE(verdo::app::ActivationFileProgram(text.toUtf8()), std::optional<QString>(awkward));
    QCOMPARE(verdo::app::ActivationFileProgram(verdo::app::ActivationFileText("/usr/bin/verdo").toUtf8()),
             std::optional<QString>("/usr/bin/verdo"));
    // A file someone else wrote, or changed, is not taken for one of ours.
    for (const char* foreign : {"[D-BUS Service]\nName=Deri.Didivizavud\nExec=/x/verdo -Automation\nUser=me\n",
                                "[D-BUS Service]\nName=Deri.Didivizavud\nExec=/x/verdo\n",
                                "[D-BUS Service]\nName=Deri.Didivizavud\nExec='/x/ver'do' -Automation\n", ""})
      QCOMPARE(verdo::app::ActivationFileProgram(foreign), std::nullopt);
  }

  // The per-user file is written where no shipped file names this program;
  // where one does, a per-user file of ours that names a program that is
  // gone is removed, and any other is left alone.
  void perUserActivationFileOnlyWhereNeeded_data() {
    QTest::addColumn<QString>("shipped");   // the program the shipped file names; "" for no file
    QTest::addColumn<QString>("perUser");   // the per-user file before; "" for none
    QTest::addColumn<QString>("expected");  // the per-user file after; "" for none
    const QString self = QStringLiteral("SELF");
    const QString ours = QStringLiteral("ours:");
    QTest::newRow("nothing shipped") << ""
                                     << "" << ours + self;
    QTest::newRow("nothing shipped, stale file rewritten") << "" << ours + "/gone/verdo" << ours + self;
    QTest::newRow("shipped file names another program") << "/gone/verdo"
                                                        << "" << ours + self;
    QTest::newRow("shipped file names this program") << self << ""
                                                     << "";
    QTest::newRow("stale file of ours removed") << self << ours + "/gone/verdo"
                                                << "";
    QTest::newRow("file naming a program that is there kept") << self << ours + "/bin/sh" << ours + "/bin/sh";
    QTest::newRow("someone else's file kept") << self << "[D-BUS Service]\nName=Deri.Didivizavud\nExec=/gone/x\n"
                                              << "[D-BUS Service]\nName=Deri.Didivizavud\nExec=/gone/x\n";
  }

  void perUserActivationFileOnlyWhereNeeded() {
    QFETCH(QString, shipped);
    QFETCH(QString, perUser);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const QString self = VerdoBinary();
    // "ours:PROGRAM" stands for the text this program writes for PROGRAM.
    const auto text = [&](QString spec) {
      spec.replace(QStringLiteral("SELF"), self);
      if (spec.startsWith(QStringLiteral("ours:"))) return verdo::app::ActivationFileText(spec.mid(5)).toUtf8();
      return spec.toUtf8();
    };
    const auto put = [](const QString& path, const QByteArray& bytes) {
      QDir().mkpath(QFileInfo(path).path());
      QFile file(path);
      return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const QString service = QStringLiteral("/dbus-1/services/Deri.Didivizavud.service");
    const QString home = root.filePath(QStringLiteral("home"));
    const QString system = root.filePath(QStringLiteral("system"));
    if (!shipped.isEmpty()) QVERIFY(put(system + service, text(QStringLiteral("ours:") + shipped)));
    if (!perUser.isEmpty()) QVERIFY(put(home + service, text(perUser)));

    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", home.toUtf8());
    qputenv("XDG_DATA_DIRS", (root.filePath(QStringLiteral("empty")) + ":" + system).toUtf8());
    const bool updated = verdo::app::UpdateActivationFile(self);
    qputenv("XDG_DATA_HOME", savedHome);
    qputenv("XDG_DATA_DIRS", savedDirs);
    QVERIFY(updated);

    QFile after(home + service);
    if (expected.isEmpty()) {
      QVERIFY(!after.exists());
    } else {
      QVERIFY(after.open(QIODevice::ReadOnly));
      QCOMPARE(after.readAll(), text(expected));
    }
  }

  // What stands at the per-user file's name is never written through nor
  // replaced unless it is a regular file; a program path that Exec= can't
  // hold writes nothing.
  void activationFileRefusesLinksSpecialFilesAndAwkwardPaths_data() {
    QTest::addColumn<QString>("there");  // "link", "fifo" or "" at the file's name
    QTest::addColumn<QString>("program");
    QTest::newRow("link to a file") << "link" << VerdoBinary();
    QTest::newRow("FIFO") << "fifo" << VerdoBinary();
    QTest::newRow("newline in the path") << ""
                                         << "/opt/ver\nExec=/bin/evil\ndo";
    QTest::newRow("escape in the path") << ""
                                        << "/opt/ver\x1b]52;c;do";
  }

  void activationFileRefusesLinksSpecialFilesAndAwkwardPaths() {
    QFETCH(QString, there);
    QFETCH(QString, program);
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("home/dbus-1/services"));
    const QString service = folder + QStringLiteral("/Deri.Didivizavud.service");
    const QString bashrc = root.filePath(QStringLiteral("bashrc"));
    QFile rc(bashrc);
    QVERIFY(QDir().mkpath(folder) && rc.open(QIODevice::WriteOnly) && rc.write("keep\n") == 5);
    rc.close();
    if (there == QStringLiteral("link")) QVERIFY(QFile::link(bashrc, service));
    if (there == QStringLiteral("fifo")) QCOMPARE(::mkfifo(QFile::encodeName(service).constData(), 0644), 0);

    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_DATA_DIRS", root.filePath(QStringLiteral("none")).toUtf8());
    const bool updated = verdo::app::UpdateActivationFile(program);
    qputenv("XDG_DATA_HOME", savedHome);
    qputenv("XDG_DATA_DIRS", savedDirs);
    QVERIFY(!updated);

    QVERIFY(rc.open(QIODevice::ReadOnly));
    QCOMPARE(rc.readAll(), QByteArray("keep\n"));
    QCOMPARE(QFileInfo(service).isSymLink(), there == QStringLiteral("link"));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
             there.isEmpty() ? 0 : 1);
  }

  // The real program in its own process, on a virtual display: a client
  // creates the object, Escape hides the window and the process stays;
  // then the client releases the object, or leaves the bus, and the
  // process ends.
  void hiddenWindowEndsWhenTheClientLetsGo_data() {
    QTest::addColumn<bool>("release");
    QTest::newRow("Release") << true;
    QTest::newRow("client leaves") << false;
  }

  void hiddenWindowEndsWhenTheClientLetsGo() {
    QFETCH(bool, release);
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
      QSKIP("needs Xvfb, xdotool and xprop (scripts/install-deps.sh)");
    VirtualDisplay display;
    QVERIFY(display.Start());

    QTemporaryDir home;
    QProcess verdo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), Address);
    env.insert(QStringLiteral("DISPLAY"), display.Name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    verdo.setProcessEnvironment(env);
    verdo.start(VerdoBinary(), {QStringLiteral("-Automation")});
    QVERIFY(verdo.waitForStarted());
    const auto stop = qScopeGuard([&verdo] {
      verdo.kill();
      verdo.waitForFinished();
    });
    const uint pid = uint(verdo.processId());

    Client client(Address, release ? QStringLiteral("releaser") : QStringLiteral("goner"));
    // Asked by the unique name of this very process, so the bus doesn't start another.
    QString server;
    QTRY_VERIFY_WITH_TIMEOUT((server = client.Bus.interface()->serviceOwner(kName).value(),
                              !server.isEmpty() && client.PidOf(server) == pid),
                             20000);
    const QDBusMessage created = client.Call(server, kFactory, kFactoryInterface, QStringLiteral("CreateInstance"));
    QCOMPARE(created.type(), QDBusMessage::ReplyMessage);

    const QString window =
        display.Run({"search", "--sync", "--onlyvisible", "--pid", QString::number(pid), "--name", "^Verdo$"})
            .split('\n')
            .value(0);
    QVERIFY(!window.isEmpty());
    // The desktop entry's StartupWMClass names this class.
    QCOMPARE(display.Run({"-id", window, "WM_CLASS"}, QStringLiteral("xprop")),
             QStringLiteral("WM_CLASS(STRING) = \"verdo\", \"verdo\"\n"));
    display.Run({"windowfocus", "--sync", window});
    display.Run({"key", "Escape"});
    QTRY_VERIFY_WITH_TIMEOUT(
        display.Run({"search", "--onlyvisible", "--pid", QString::number(pid), "--name", "^Verdo$"}).isEmpty(), 20000);
    QCOMPARE(verdo.state(), QProcess::Running);  // hidden, not ended

    if (release) {
      const QVariantList path{created.arguments().value(0)};
      QCOMPARE(client.Call(server, kFactory, kFactoryInterface, QStringLiteral("Release"), path).type(),
               QDBusMessage::ReplyMessage);
    } else {
      client.Leave();
    }
    // A generous bound for "within a few seconds", not a timing measure.
    QVERIFY(verdo.waitForFinished(30000));
    QCOMPARE(verdo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(verdo.exitCode(), 0);
  }

 private:
  QTemporaryDir Data;
  QProcess Daemon;
  QString Address;
};

QTEST_MAIN(AutomationTest)
#include "tst_automation.moc"
