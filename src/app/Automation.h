// The automation endpoint on the D-Bus session bus. A client asks the class
// factory at /Deri/Didivizavud (well-known name Deri.Didivizavud) for an
// object; the object has no members and only keeps the program alive: while
// it is held the main window hides instead of closing, and a program that
// was started for automation ends when its last object is released.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>
#include <string_view>

class CMetaDlg;
class QDBusServiceWatcher;

namespace verdo::app {

inline constexpr const char* kServiceName = "Deri.Didivizavud";
inline constexpr const char* kFactoryPath = "/Deri/Didivizavud";

// True when the whole word is "Automation" or "Embedding", in exactly that
// case, after "-", "--" or "/": "-Automation", "/Embedding". Any other word
// ("/srv/Automation/a.tem", "-automation", "-Automationx") is no option.
bool IsAutomationOption(std::string_view word);
// True when an argument after the program name is an automation option: a
// start by the automation system.
bool StartedForAutomation(const QStringList& arguments);

// The D-Bus activation file that lets a client's request start this program.
// The package ships one in $prefix/share/dbus-1/services; an ordinary start
// of a program that no shipped file names writes the per-user one,
// $XDG_DATA_HOME/dbus-1/services/Deri.Didivizavud.service (XDG_DATA_HOME
// defaulting to ~/.local/share).
QString ActivationFileText(const QString& executable);
// The program that a file of exactly ActivationFileText's form names, or
// nothing for any other text (a file Verdo didn't write).
std::optional<QString> ActivationFileProgram(const QByteArray& text);
// Makes the per-user file name the executable, unless a shipped file in
// $XDG_DATA_DIRS already does: then a per-user file that Verdo wrote for a
// program that is gone is removed instead. False when a write failed.
bool UpdateActivationFile(const QString& executable);

}  // namespace verdo::app

// The object a client creates. It exports the interface Deri.Didivizavud
// with no methods, properties or signals.
class CMetaDlgAutoProxy : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "Deri.Didivizavud")
  Q_CLASSINFO("D-Bus Introspection", "  <interface name=\"Deri.Didivizavud\"/>\n")

 public:
  explicit CMetaDlgAutoProxy(CMetaDlg* dialog);
  ~CMetaDlgAutoProxy() override;

  // The main dialog; never owned. Cleared when the dialog goes first.
  QPointer<CMetaDlg> Dialog;
};

// The class factory, interface Deri.Didivizavud.ClassFactory.
class CAutomationServer : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "Deri.Didivizavud.ClassFactory")

 public:
  // mainDialog answers the application's main window when a client asks.
  CAutomationServer(QDBusConnection bus, std::function<CMetaDlg*()> mainDialog, QObject* parent = nullptr);
  ~CAutomationServer() override;

  // Exports the factory and takes the well-known name. False when there is
  // no bus or the name is taken: the program runs on without an endpoint.
  bool Register();

  // True once the program is the user's to end: after the final release.
  // Until then (a start by the automation system) the final release ends
  // the main dialog; a modal box open at that moment leaves it to the user.
  bool UserControl() const { return UnderUserControl; }

 public slots:
  QDBusObjectPath CreateInstance();
  void Release(const QDBusObjectPath& path);

 private:
  struct Held {
    QString Client;  // the unique bus name of the client that created it
    CMetaDlgAutoProxy* Object;
  };
  void ReleaseObject(const QString& path);
  void ClientLeft(const QString& client);
  void FinalRelease();
  void EndWhenIdle();

  QDBusConnection Bus;
  std::function<CMetaDlg*()> MainDialog;
  QDBusServiceWatcher* Watcher;
  QHash<QString, Held> Objects;  // by object path
  int NextObject = 1;
  bool Created = false;  // the factory serves one object, then refuses
  bool UnderUserControl = false;
};
