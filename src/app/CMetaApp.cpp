#include "app/CMetaApp.h"

#include <curl/curl.h>

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include "app/AppStrings.h"
#include "app/Automation.h"
#include "app/CMetaDlg.h"

CMetaApp::CMetaApp(QApplication& application) : CommandLine(application.arguments()) {
  // The title of the framework's boxes: the executable's name without extension.
  QCoreApplication::setApplicationName(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
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
  // 5. The main dialog, run modally; its result is not looked at.
  CMetaDlg dialog;
  MainDlg = &dialog;
  dialog.exec();
  // 6. The end of the modal run is the end of the program.
  MainDlg = nullptr;
  return 0;
}

void CMetaApp::SetUpAutomation() {
  using namespace verdo::app;
  if (!StartedForAutomation(CommandLine)) {
    // An ordinary start makes the program known to the bus, so that a
    // client's request can start it. A failure is silent.
    WriteActivationFile(QCoreApplication::applicationFilePath());
    return;
  }
  for (const char* option : {"-Automation", "/Automation", "-Embedding", "/Embedding"})
    CommandLine.removeAll(QLatin1String(option));
  // Without a session bus the program runs on, unreachable.
  Automation = std::make_unique<CAutomationServer>(QDBusConnection::sessionBus(), [this] { return MainDlg; });
  Automation->Register();
}
