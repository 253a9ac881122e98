#include "app/CMetaApp.h"

#include <curl/curl.h>

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "app/AppStrings.h"
#include "app/Automation.h"
#include "app/CMetaDlg.h"
#include "core/text/Text.h"
#include "handlers/Handlers.h"

namespace verdo::app {

std::optional<std::string> TemplateArgument(const std::vector<std::string>& words) {
  for (const std::string& word : words)
    if (!word.empty() && word[0] != '-' && !IsAutomationOption(word)) return word;
  return std::nullopt;
}

namespace {

// The main dialog, with the open dialog's answer given beforehand: the file
// named on the command line, as its full path.
class PresetFileHost : public verdo::Host {
 public:
  PresetFileHost(CMetaDlg& dialog, std::string path) : Dialog(dialog), Path(std::move(path)) {}

  verdo::MetaTagForm& Form() override { return Dialog.Form(); }
  std::string& StatusText() override { return Dialog.StatusText(); }
  bool ReadForm() override { return Dialog.ReadForm(); }
  void ShowForm() override { Dialog.ShowForm(); }
  void ShowKeywords() override { Dialog.ShowKeywords(); }
  void ShowMessage(const std::string& text, const std::string& caption) override { Dialog.ShowMessage(text, caption); }
  std::optional<verdo::ChosenFile> ChooseFile(verdo::FileDialogMode, const std::string&, const std::string&) override {
    return verdo::ChosenFile{Path, verdo::FileExtension(Path)};
  }
  void SetCaption(const std::string& text) override { Dialog.SetCaption(text); }
  verdo::HeadLossAnswer AskHeadLoss(const std::string& text) override { return Dialog.AskHeadLoss(text); }
  void KeepPainting() override { Dialog.KeepPainting(); }

 private:
  CMetaDlg& Dialog;
  std::string Path;
};

std::string FullPath(const std::string& path) {
  std::error_code error;
  const auto full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

}  // namespace
}  // namespace verdo::app

CMetaApp::CMetaApp(QApplication& application) : CommandLine(application.arguments()) {
  // The title of the framework's boxes: the executable's name without extension.
  QCoreApplication::setApplicationName(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
  // Docks and compositors find the launcher and icon by this id.
  QGuiApplication::setDesktopFileName(QLatin1String(verdo::app::kDesktopFileName));
  // While the automation endpoint hides the window, no window is visible and
  // the program must go on; the end of the modal run ends it.
  application.setQuitOnLastWindowClosed(false);
}

CMetaApp::~CMetaApp() {
  if (SocketsStarted) StopSockets();
}

bool CMetaApp::StartSockets() { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }

void CMetaApp::StopSockets() { curl_global_cleanup(); }

int CMetaApp::Run() {
  // 1. Sockets.
  SocketsStarted = StartSockets();
  if (!SocketsStarted) {
    verdo::app::FrameworkMessageBox(nullptr, QString::fromUtf8(verdo::app::kSocketsInitFailed));
    return 1;
  }
  // 2. and 3. OLE start-up and control hosting have no Linux counterpart: the
  // D-Bus session bus is joined by the automation endpoint, and its absence
  // is no failure.
  // 4. The automation endpoint.
  SetUpAutomation();
  // 5. The main dialog, run modally; its result is not looked at. A template
  // named on the command line is loaded once the window is up, so that a
  // message about it shows over the window.
  CMetaDlg dialog;
  MainDlg = &dialog;
  if (!StartTemplate.empty()) QTimer::singleShot(0, &dialog, [this, &dialog] { LoadStartTemplate(dialog); });
  dialog.exec();
  // 6. The end of the modal run is the end of the program.
  MainDlg = nullptr;
  return 0;
}

void CMetaApp::LoadStartTemplate(CMetaDlg& dialog) const {
  verdo::app::PresetFileHost host(dialog, verdo::app::FullPath(StartTemplate));
  verdo::handlers::OnLoad(host);
}

void CMetaApp::SetUpAutomation() {
  using namespace verdo::app;
  if (!StartedForAutomation(CommandLine)) {
    // An ordinary start makes the program known to the bus, so that a
    // client's request can start it. A failure is silent.
    UpdateActivationFile(QCoreApplication::applicationFilePath());
    return;
  }
  CommandLine.removeIf([](const QString& word) { return IsAutomationOption(word.toStdString()); });
  // Without a session bus the program runs on, unreachable.
  Automation = std::make_unique<CAutomationServer>(QDBusConnection::sessionBus(), [this] { return MainDlg; });
  Automation->Register();
}
