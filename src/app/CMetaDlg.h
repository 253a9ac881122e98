// The main window: dialog 102. It holds the form, exchanges it with its
// controls (ReadForm/ShowForm), and offers the handlers their dialog
// services; every button calls its handler in src/handlers.
#pragma once

#include <QDialog>
#include <QHash>
#include <QPointer>

#include "handlers/Host.h"

class QMenu;
class QAbstractButton;

namespace verdo::app {
class CFieldEdit;
}

class CMetaDlg : public QDialog, public verdo::Host {
  Q_OBJECT

 public:
  explicit CMetaDlg(QWidget* parent = nullptr);
  ~CMetaDlg() override;

  // Host
  verdo::MetaTagForm& Form() override { return Record; }
  std::string& StatusText() override { return Status; }
  bool ReadForm() override;
  void ShowForm() override;
  void ShowKeywords() override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  std::optional<verdo::ChosenFile> ChooseFile(verdo::FileDialogMode mode, const std::string& initialName,
                                              const std::string& defaultExtensionText) override;
  void SetCaption(const std::string& text) override;
  verdo::HeadLossAnswer AskHeadLoss(const std::string& text) override;
  void KeepPainting() override;

  // The automation object attached to this window, or null. While one is
  // attached, asking the window to end (Exit, Escape, the close box, Enter)
  // hides it instead; the modal run goes on until done() is called.
  void SetAutoProxy(QObject* proxy) { AutoProxyObject = proxy; }
  QObject* AutoProxy() const { return AutoProxyObject; }
  // Every request to end the dialog asks here first: with an automation
  // object attached, hides the window and answers no.
  bool MayEndDialog();
  // True while a transfer runs and lets the window paint: the handler is
  // still running and must be let finish, and the window takes no input.
  bool InTransfer() const { return TransferRunning; }

  // The window menu: Minimize, Close, then "&About Verdo...". Opened by a
  // right click on the dialog's background, and by Shift+F10 and the Menu
  // key from any control (an edit box shows its own menu, with the About
  // item added).
  QMenu* WindowMenu() const { return Menu; }
  void ShowAboutBox();

 public slots:
  void OnLoad();
  void OnSave();
  void OnExport();
  void OnImport();
  void OnGenerate();
  void OnTrapPreview();
  void OnTotals();
  void OnPreview();
  void OnClearAll();
  void OnUppercase();
  void OnLowercase();
  void OnFirstCapitol();
  void OnReverse();
  void OnRandomize();
  void OnClearKeywords();
  void OnHelp();
  // Enter: reads the form and ends the dialog (accepted) if that succeeded.
  void OnOK();
  // Exit and Escape: ends the dialog (rejected) without reading the form.
  void OnCancel();

  void accept() override { OnOK(); }
  void reject() override { OnCancel(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  verdo::app::CFieldEdit* Edit(int id) const;
  QAbstractButton* Button(int id) const;
  void LimitCheckFailed(verdo::app::CFieldEdit* edit, int limit);
  void ShowTextField(const verdo::FormField& field);
  void NameControlsForAssistiveTechnology();

  verdo::MetaTagForm Record;
  std::string Status;
  QPointer<QObject> AutoProxyObject;
  QHash<int, QWidget*> Controls;
  QMenu* Menu = nullptr;
  bool TransferRunning = false;  // inside KeepPainting
};
