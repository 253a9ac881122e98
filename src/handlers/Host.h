// What a button handler needs from the window it runs in. CMetaDlg
// implements it with real widgets; the tests with a scripted fake that
// records every call. Each handler is written once, against this seam.
#pragma once

#include <optional>
#include <string>

#include "core/form/MetaTagForm.h"
#include "core/pages/ExportLoss.h"

namespace verdo {

enum class FileDialogMode { Open, Save };

struct ChosenFile {
  std::string Path;       // full path
  std::string Extension;  // after the last "." of the file name; empty when none
};

class Host {
 public:
  virtual ~Host() = default;

  // The record behind the controls and the Status text beside it.
  virtual MetaTagForm& Form() = 0;
  virtual std::string& StatusText() = 0;

  // Controls into the record; false when a limit check stopped it (the
  // message has been shown, the fields after the failing one are stale).
  virtual bool ReadForm() = 0;
  // Record into the controls.
  virtual void ShowForm() = 0;
  // The record's sixteen keywords and ExtraKeywords into their controls;
  // every other control keeps what it shows, typed or not.
  virtual void ShowKeywords() = 0;

  // A modal box with one OK button and no icon.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // A modal file dialog; nothing when the user cancels.
  virtual std::optional<ChosenFile> ChooseFile(FileDialogMode mode, const std::string& initialName,
                                               const std::string& defaultExtensionText) = 0;
  virtual void SetCaption(const std::string& text) = 0;
  // Export's question when replacing the whole head would lose some of it:
  // a modal box captioned "Export" with `text` and the buttons "Keep Them"
  // (the default, Enter), "Replace All" and "Cancel" (Escape).
  virtual HeadLossAnswer AskHeadLoss(const std::string& text) = 0;

  // Called now and then during a long blocking transfer, so the window keeps
  // painting (its Status field shows progress); it must take no user input.
  virtual void KeepPainting() {}
};

// Sets the Status text and shows the form with it.
inline void ShowStatus(Host& host, const std::string& text) {
  host.StatusText() = text;
  host.ShowForm();
}

}  // namespace verdo
