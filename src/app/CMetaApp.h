// The application object: starts the platform services, runs the main
// dialog modally, and ends the program when the dialog ends.
#pragma once

#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QApplication;
class CMetaDlg;
class CAutomationServer;

namespace verdo::app {

// The desktop entry's id, which the desktop links the window to.
inline constexpr const char* kDesktopFileName = "org.example.verdo";

// The template file named on the command line (the words after the program
// name), or nothing: the first word that is neither an option ("-" first)
// nor an automation option ("/Automation"). Later words are ignored.
std::optional<std::string> TemplateArgument(const std::vector<std::string>& words);

}  // namespace verdo::app

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
  // A template to load once the main dialog is up, as the Load button
  // loads the file chosen in its dialog.
  void SetStartTemplate(std::string path) { StartTemplate = std::move(path); }

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
  void LoadStartTemplate(CMetaDlg& dialog) const;

  std::unique_ptr<CAutomationServer> Automation;
  std::string StartTemplate;
  bool SocketsStarted = false;
};
