#include "app/Automation.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>

#include "app/CMetaDlg.h"
#include "platform/FileAccess.h"

namespace verdo::app {

bool IsAutomationOption(std::string_view word) {
  for (const std::string_view prefix : {"-", "--", "/"}) {
    if (!word.starts_with(prefix)) continue;
    const std::string_view option = word.substr(prefix.size());
    if (option == "Automation" || option == "Embedding") return true;
  }
  return false;
}

bool StartedForAutomation(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i)
    if (IsAutomationOption(arguments[i].toStdString())) return true;
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

// The folders the bus searches after the user's own, as the XDG rules give them.
QStringList DataDirs() {
  QStringList folders;
  const QString configured = qEnvironmentVariable("XDG_DATA_DIRS");
  const QString list = configured.isEmpty() ? QStringLiteral("/usr/local/share:/usr/share") : configured;
  for (const QString& folder : list.split(QLatin1Char(':'), Qt::SkipEmptyParts))
    if (QDir::isAbsolutePath(folder)) folders.append(folder);
  return folders;
}

QString ServiceFileIn(const QString& dataFolder) {
  return dataFolder + QStringLiteral("/dbus-1/services/") + QLatin1String(kServiceName) + QStringLiteral(".service");
}

// An activation file is a few lines: anything larger, or not a regular
// file, is not one of ours.
constexpr qint64 kActivationFileLimit = 64 * 1024;

// Read through the file layer: a regular file only, links followed only to
// their owner's files, never a FIFO waited on.
std::optional<QByteArray> ReadSmallFile(const QString& path) {
  const ReadableFile file = OpenForReading(QFile::encodeName(path).toStdString());
  if (!file.Result || file.Size > kActivationFileLimit) return std::nullopt;
  QByteArray text(kActivationFileLimit + 1, '\0');
  qsizetype have = 0;
  for (ssize_t got = 1; got > 0 && have < text.size(); have += got) {
    got = ReadSome(file.File.Get(), text.data() + have, static_cast<std::size_t>(text.size() - have));
    if (got < 0) return std::nullopt;
  }
  if (have > kActivationFileLimit) return std::nullopt;
  text.truncate(have);
  return text;
}

std::optional<QString> ProgramNamedIn(const QString& path) {
  const auto text = ReadSmallFile(path);
  return text ? ActivationFileProgram(*text) : std::nullopt;
}

bool SameProgram(const QString& a, const QString& b) {
  const QString canonical = QFileInfo(a).canonicalFilePath();
  return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

bool ShippedFileNames(const QString& executable) {
  for (const QString& folder : DataDirs()) {
    const auto program = ProgramNamedIn(ServiceFileIn(folder));
    if (program && SameProgram(*program, executable)) return true;
  }
  return false;
}

// Written through the file layer, never through a link at its name: the
// file is replaced whole (synced, then renamed), or left as it was.
bool WriteActivationFile(const QString& path, const QByteArray& text) {
  if (ReadSmallFile(path) == text) return true;
  if (!QDir().mkpath(QFileInfo(path).path())) return false;
  const Outcome written = OpenedPage::Resolve(QFile::encodeName(path).toStdString(), false).Replace([&text](int fd) {
    return WriteAll(fd, text.constData(), static_cast<std::size_t>(text.size())) ? Outcome::Done()
                                                                                 : Outcome::Failed(ErrorText(errno));
  });
  if (!written)
    std::fprintf(stderr, "verdo: %s: the activation file isn't written (%s)\n", QFile::encodeName(path).constData(),
                 written.Reason.c_str());
  return bool(written);
}

// Exec= is one line of a desktop entry: a control character can't stand in
// it (a newline would start a line of its own), nor can a byte that isn't
// UTF-8 (the name read back would be another).
bool FitsExecLine(const QString& program) {
  for (const QChar c : program)
    if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0) || c == QChar::ReplacementCharacter)
      return false;
  return QFile::decodeName(QFile::encodeName(program)) == program;
}

}  // namespace

QString ActivationFileText(const QString& executable) {
  return QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 -Automation\n")
      .arg(QLatin1String(kServiceName), QuotedForExec(executable));
}

std::optional<QString> ActivationFileProgram(const QByteArray& text) {
  static const QRegularExpression form(
      QStringLiteral("^\\[D-BUS Service\\]\nName=Deri\\.Didivizavud\nExec=(.+) -Automation\n$"));
  const QString decoded = QString::fromUtf8(text);
  const auto match = form.match(decoded);
  if (!match.hasMatch()) return std::nullopt;
  QString program = match.captured(1);
  if (program.size() >= 2 && program.startsWith(QLatin1Char('\'')) && program.endsWith(QLatin1Char('\''))) {
    program = program.mid(1, program.size() - 2);
    program.replace(QStringLiteral("'\\''"), QStringLiteral("'"));
  }
  // Only a text that this program would write word for word is its own.
  if (ActivationFileText(program) != decoded) return std::nullopt;
  return program;
}

bool UpdateActivationFile(const QString& executable) {
  const QString own = ServiceFileIn(DataHome());
  if (!ShippedFileNames(executable)) {
    if (!FitsExecLine(executable)) {
      std::fprintf(stderr,
                   "verdo: the activation file isn't written: the program's path holds a character that "
                   "can't stand in Exec=\n");
      return false;
    }
    return WriteActivationFile(own, ActivationFileText(executable).toUtf8());
  }
  // The shipped file serves; one written by an earlier run for a program
  // that is gone (a removed build tree, say) would only make activation fail.
  const auto program = ProgramNamedIn(own);
  if (program && !QFileInfo(*program).isExecutable()) return QFile::remove(own);
  return true;
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
  if (!Bus.registerObject(QLatin1String(verdo::app::kFactoryPath), this, QDBusConnection::ExportAllSlots)) return false;
  return Bus.registerService(QLatin1String(verdo::app::kServiceName));
}

QDBusObjectPath CAutomationServer::CreateInstance() {
  // Each creation request starts a fresh program: this one serves no second.
  if (Created) {
    if (calledFromDBus())
      sendErrorReply(QDBusError::AccessDenied,
                     QStringLiteral("This instance already serves its object; ask Deri.Didivizavud for another"));
    return QDBusObjectPath();
  }
  Created = true;
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
    // Looked at again shortly, rather than at every turn of the transfer's loop.
    QTimer::singleShot(50, this, &CAutomationServer::EndWhenIdle);
    return;
  }
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != dialog) return;
  // done() on a window that was hidden while the object was held returns
  // without ending the modal run; shown off screen first, it ends it.
  if (dialog->isHidden()) {
    dialog->setAttribute(Qt::WA_DontShowOnScreen);
    dialog->show();
  }
  dialog->done(QDialog::Rejected);
}
