// The buttons that read and write files: Export (the head block into a page),
// Generate and Preview of the trap page, Save and Load of templates.
#include <optional>
#include <string>

#include "core/compose/HeadBlock.h"
#include "core/compose/TrapPage.h"
#include "core/templates/Template.h"
#include "handlers/Handlers.h"
#include "platform/TextFile.h"

namespace verdo::handlers {

namespace {

constexpr const char* kErrorSaving = "Error Saving File";
constexpr const char* kErrorOpening = "Error Opening File";
constexpr const char* kSaveTemplateCaption = "Save Template";

// The dialog's answer when the user chose a name with exactly the expected
// extension (lower case; "HTM", "html" or none don't pass).
std::optional<std::string> ChosenPath(Host& host, FileDialogMode mode, const std::string& initialName,
                                      const std::string& defaultExtensionText, const std::string& extension) {
  const auto chosen = host.ChooseFile(mode, initialName, defaultExtensionText);
  if (!chosen || chosen->Extension != extension) return std::nullopt;
  return chosen->Path;
}

// Save and Generate: ask for a name, show it in the caption, replace the file.
// A cancelled dialog, a wrong extension and a failed write all get the same box.
void SaveAs(Host& host, const std::string& initialName, const std::string& extension, const std::string& text) {
  const auto path = ChosenPath(host, FileDialogMode::Save, initialName, "Save a Template", extension);
  if (!path) {
    host.ShowMessage(kErrorSaving, kSaveTemplateCaption);
    return;
  }
  host.SetCaption("Verdo: " + *path);
  if (!WriteTextFile(*path, text)) host.ShowMessage(kErrorSaving, kSaveTemplateCaption);
}

}  // namespace

void OnExport(Host& host) {
  host.ReadForm();
  std::string target;
  if (const auto path = ChosenPath(host, FileDialogMode::Open, "*.htm", "Export", "htm")) {
    host.SetCaption("Verdo: " + *path);
    target = *path;
  }
  ShowStatus(host, "Saving...");
  host.ReadForm();
  if (target.empty()) {  // no page chosen
    ShowStatus(host, "Done.");
    host.ReadForm();
    host.ShowMessage(kErrorSaving, kSaveTemplateCaption);
    return;
  }
  const auto opened = [&host](ExportSource::Status state) {
    if (state != ExportSource::Status::Read) host.ShowMessage(kErrorOpening, "Import HTML");
  };
  const auto headBlock = [&host] {
    ShowStatus(host, "Done.");
    host.ReadForm();  // the head block reflects the controls as they stand now
    return ComposeHeadBlock(host.Form(), HeadBlockStyle::Plain);
  };
  // Nothing of the page's own head goes without the user's word.
  const auto ask = [&host](const HeadLoss& loss) { return host.AskHeadLoss(HeadLossQuestion(loss)); };
  // A page that is there but can't be read is never written over: only a
  // name that doesn't exist yet gets a page of the new head section alone.
  const ExportResult result = ExportIntoPage(target, opened, headBlock, ask);
  if (result.Failed == ExportResult::Step::Opening) ShowStatus(host, "Done.");
  if (result.Failed == ExportResult::Step::Saving) host.ShowMessage(kErrorSaving, kSaveTemplateCaption);
}

void OnGenerate(Host& host) {
  host.ReadForm();
  SaveAs(host, "*.htm", "htm", ComposeTrapPage(host.Form(), true));
}

void OnTrapPreview(Host& host) {
  host.ReadForm();
  host.ShowMessage(ComposeTrapPage(host.Form(), false), "Preview Trap");
}

void OnSave(Host& host) {
  host.ReadForm();
  SaveAs(host, "*.tem", "tem", FormatTemplate(host.Form()));
}

void OnLoad(Host& host) {
  host.ReadForm();
  const auto path = ChosenPath(host, FileDialogMode::Open, "*.tem", "Load a Template", "tem");
  if (!path) {
    host.ShowForm();
    return;
  }
  host.SetCaption("Verdo: " + *path);
  // Each complete line is applied and shown as it is read; a last line
  // without a line end is not a line and is dropped.
  if (!ApplyTemplateFile(*path, host.Form(), [&host] { host.ShowForm(); }))
    host.ShowMessage(kErrorOpening, "Load Template");
  host.ShowForm();
}

}  // namespace verdo::handlers
