// The automation endpoint against a private D-Bus daemon of the test's own:
// activation by a client's request, the object without members, single use,
// the hidden window while an object is held, and the end at the final release.
#include <signal.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
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
  Client(const QString& address, const QString& name)
      : Name(name), Bus(QDBusConnection::connectToBus(address, name)) {}
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

}  // namespace

class AutomationTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(Data.isValid());
    // The daemon finds activation files under its own XDG_DATA_HOME.
    qputenv("XDG_DATA_HOME", Data.filePath(QStringLiteral("data")).toUtf8());
    QVERIFY(verdo::app::WriteActivationFile(VerdoBinary()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    Daemon.setProcessEnvironment(env);
    Daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1")});
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

    QMetaObject::invokeMethod(&server, [&] { server.Release(path); }, Qt::QueuedConnection);
    dialog.KeepPainting();  // as a download does, again and again
    dialog.KeepPainting();
    QCOMPARE(finished.count(), 0);
    QVERIFY(dialog.isVisible());
    QTRY_COMPARE(finished.count(), 1);
  }

  void optionWordsAreExactAndAnywhere() {
    using verdo::app::StartedForAutomation;
    QVERIFY(StartedForAutomation({"verdo", "x", "-Automation"}));
    QVERIFY(StartedForAutomation({"verdo", "/Embedding", "y"}));
    QVERIFY(StartedForAutomation({"verdo", "/Automation"}));
    QVERIFY(StartedForAutomation({"verdo", "-Embedding"}));
    QVERIFY(!StartedForAutomation({"verdo", "-automation"}));
    QVERIFY(!StartedForAutomation({"verdo", "Automation"}));
    QVERIFY(!StartedForAutomation({"-Automation"}));  // the program's own name doesn't count
  }

  void activationFileQuotesAnAwkwardPath() {
    QCOMPARE(verdo::app::ActivationFileText(QStringLiteral("/opt/my apps/it's/verdo")),
             QStringLiteral("[D-BUS Service]\nName=Deri.Didivizavud\nExec='/opt/my apps/it'\\''s/verdo' -Automation\n"));
  }

 private:
  QTemporaryDir Data;
  QProcess Daemon;
  QString Address;
};

QTEST_MAIN(AutomationTest)
#include "tst_automation.moc"
