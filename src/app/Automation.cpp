#include "app/Automation.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>

#include "app/CMetaDlg.h"

namespace verdo::app {

bool StartedForAutomation(const QStringList& arguments) {
  static const QStringList kOptions = {"-Automation", "/Automation", "-Embedding", "/Embedding"};
  for (qsizetype i = 1; i < arguments.size(); ++i)
    if (kOptions.contains(arguments[i])) return true;
  return false;
}

namespace {

// The bus reads Exec= the way a shell splits words: quote a path that
// holds anything but the plain characters of a path.
QString QuotedForExec(const QString& path) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
  if (plain.match(path).hasMatch()) return path;
  QString quoted = path;
  quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString DataHome() {
  const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
  // An unset, empty or relative value is ignored, as the XDG rules say.
  if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) return configured;
  return QDir::homePath() + QStringLiteral("/.local/share");
}

}  // namespace

QString ActivationFileText(const QString& executable) {
  return QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 -Automation\n")
      .arg(QLatin1String(kServiceName), QuotedForExec(executable));
}

bool WriteActivationFile(const QString& executable) {
  const QString folder = DataHome() + QStringLiteral("/dbus-1/services");
  const QString path = folder + QLatin1Char('/') + QLatin1String(kServiceName) + QStringLiteral(".service");
  const QByteArray text = ActivationFileText(executable).toUtf8();
  QFile existing(path);
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == text) return true;
  if (!QDir().mkpath(folder)) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(text);
  return file.commit();
}

}  // namespace verdo::app

CMetaDlgAutoProxy::CMetaDlgAutoProxy(CMetaDlg* dialog) : Dialog(dialog) {
  if (Dialog) Dialog->SetAutoProxy(this);
}

CMetaDlgAutoProxy::~CMetaDlgAutoProxy() {
  if (Dialog && Dialog->AutoProxy() == this) Dialog->SetAutoProxy(nullptr);
}

CAutomationServer::CAutomationServer(QDBusConnection bus, std::function<CMetaDlg*()> mainDialog, QObject* parent)
    : QObject(parent),
      Bus(std::move(bus)),
      MainDialog(std::move(mainDialog)),
      Watcher(new QDBusServiceWatcher(QString(), Bus, QDBusServiceWatcher::WatchForUnregistration, this)) {
  connect(Watcher, &QDBusServiceWatcher::serviceUnregistered, this, &CAutomationServer::ClientLeft);
}

CAutomationServer::~CAutomationServer() {
  for (const Held& held : std::as_const(Objects)) delete held.Object;
}

bool CAutomationServer::Register() {
  if (!Bus.isConnected()) return false;
  if (!Bus.registerObject(QLatin1String(verdo::app::kFactoryPath), this, QDBusConnection::ExportAllSlots))
    return false;
  return Bus.registerService(QLatin1String(verdo::app::kServiceName));
}

QDBusObjectPath CAutomationServer::CreateInstance() {
  const QString client = calledFromDBus() ? message().service() : QString();
  auto* object = new CMetaDlgAutoProxy(MainDialog());
  const QString path = QStringLiteral("%1/Object%2").arg(QLatin1String(verdo::app::kFactoryPath)).arg(NextObject++);
  Objects.insert(path, Held{client, object});
  if (!Bus.isConnected()) return QDBusObjectPath(path);
  Bus.registerObject(path, object, QDBusConnection::ExportAllContents);
  if (!client.isEmpty()) {
    Watcher->addWatchedService(client);
    // A client that left before the watch began is released at once.
    if (!Bus.interface()->isServiceRegistered(client).value()) ClientLeft(client);
  }
  // Single use: the next client's request for the name starts a fresh process.
  Bus.unregisterService(QLatin1String(verdo::app::kServiceName));
  return QDBusObjectPath(path);
}

void CAutomationServer::Release(const QDBusObjectPath& path) {
  const auto found = Objects.constFind(path.path());
  if (found == Objects.constEnd()) {
    if (calledFromDBus()) sendErrorReply(QDBusError::UnknownObject, QStringLiteral("No such object: ") + path.path());
    return;
  }
  if (calledFromDBus() && found->Client != message().service()) {
    sendErrorReply(QDBusError::AccessDenied, QStringLiteral("The object belongs to another client"));
    return;
  }
  ReleaseObject(path.path());
}

void CAutomationServer::ClientLeft(const QString& client) {
  for (const QString& path : Objects.keys())
    if (Objects.value(path).Client == client) ReleaseObject(path);
  Watcher->removeWatchedService(client);
}

void CAutomationServer::ReleaseObject(const QString& path) {
  const Held held = Objects.take(path);
  if (!held.Object) return;
  if (Bus.isConnected()) Bus.unregisterObject(path);
  CMetaDlg* dialog = held.Object->Dialog.data();
  delete held.Object;
  // Another object still held keeps the window from closing.
  if (dialog && !dialog->AutoProxy() && !Objects.isEmpty()) dialog->SetAutoProxy(Objects.begin()->Object);
  if (Objects.isEmpty()) FinalRelease();
}

void CAutomationServer::FinalRelease() {
  if (UnderUserControl) return;
  UnderUserControl = true;
  EndWhenIdle();
}

// Ends the dialog of a program started for automation, once the button
// whose work is under way (a download, say) has finished. A modal box or
// file dialog open over the window keeps it: the user ends the program
// later, as usual.
void CAutomationServer::EndWhenIdle() {
  CMetaDlg* dialog = MainDialog();
  if (!dialog) return;
  if (dialog->InTransfer()) {
    QTimer::singleShot(0, this, &CAutomationServer::EndWhenIdle);
    return;
  }
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != dialog) return;
  dialog->done(QDialog::Rejected);
}
