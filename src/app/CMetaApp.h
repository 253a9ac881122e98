// The application object: starts the platform services, runs the main
// dialog modally, and ends the program when the dialog ends.
#pragma once

#include <QStringList>
#include <memory>

class QApplication;
class CMetaDlg;
class CAutomationServer;

class CMetaApp {
 public:
  explicit CMetaApp(QApplication& application);
  virtual ~CMetaApp();

  // Start-up, the modal run of the main dialog, and the end. Returns the
  // process's exit status: 0, or 1 when start-up failed (after its message).
  int Run();

  // The main dialog while it runs, else null.
  CMetaDlg* MainDialog() const { return MainDlg; }
  // The command line, program name first.
  const QStringList& Arguments() const { return CommandLine; }

 protected:
  // Network start-up for the page download (curl_global_init).
  virtual bool StartSockets();
  virtual void StopSockets();
  // The automation endpoint, set up before the main dialog exists: with
  // -Automation or -Embedding the D-Bus class factory, otherwise the
  // activation file that lets a client start the program.
  virtual void SetUpAutomation();

 private:
  QStringList CommandLine;
  CMetaDlg* MainDlg = nullptr;
  std::unique_ptr<CAutomationServer> Automation;
  bool SocketsStarted = false;
};
