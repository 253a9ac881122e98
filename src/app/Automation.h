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

class CMetaDlg;
class QDBusServiceWatcher;

namespace verdo::app {

inline constexpr const char* kServiceName = "Deri.Didivizavud";
inline constexpr const char* kFactoryPath = "/Deri/Didivizavud";

// True when an argument after the program name is exactly "-Automation",
// "/Automation", "-Embedding" or "/Embedding": a start by the automation system.
bool StartedForAutomation(const QStringList& arguments);

// The D-Bus activation file that lets a client's request start this program:
// $XDG_DATA_HOME/dbus-1/services/Deri.Didivizavud.service (XDG_DATA_HOME
// defaulting to ~/.local/share). Returns false when it can't be written.
QString ActivationFileText(const QString& executable);
bool WriteActivationFile(const QString& executable);

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

  int LiveObjects() const { return static_cast<int>(Objects.size()); }
  // Not under the user's control: started for automation, and no final
  // release has yet found the window busy.
  bool UserControl() const { return UnderUserControl; }
  void SetUserControl(bool value) { UnderUserControl = value; }

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
  bool UnderUserControl = false;
};
