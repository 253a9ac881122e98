// Import (button 1005): the title and meta tags of the page at the Redirect
// URL address, fetched into "temp.htm" in the current directory, fill the form.
#include <cerrno>
#include <optional>
#include <string>

#include "core/pages/PageAddress.h"
#include "handlers/Handlers.h"
#include "platform/CacheFolder.h"
#include "platform/Import.h"

namespace verdo::handlers {
namespace {

constexpr const char* kScratchFile = "temp.htm";
constexpr std::size_t kLinesBetweenPaints = 4096;
constexpr const char* kNoticeText =
    "\nLoading META TAGS from the internet.\nPlease wait....\n\n"
    "Status at the top right of the main window indicates progress.";

// "Please Wait" once the address has opened; painting while it runs.
DownloadEvents ShownDownload(Host& host) {
  DownloadEvents events;
  events.Opened = [&host] { ShowStatus(host, "Please Wait"); };
  events.Progress = [&host] { host.KeepPainting(); };
  return events;
}

// "temp.htm" in the current folder. Where that folder can't hold it (the root
// folder, where a program started by D-Bus activation runs, or one that
// can't be written), the one in the program's cache folder, under the same
// rules. Nothing when neither can be had.
std::optional<ScratchFile> ImportScratchFile() {
  if (!CurrentFolderIsRoot()) {
    ScratchFile here = ScratchFile::Beside(kScratchFile);
    const bool unwritable = here.Error() == EACCES || here.Error() == EPERM || here.Error() == EROFS;
    if (!unwritable) return here;
  }
  if (const auto cache = CacheFolder()) return ScratchFile::Beside(*cache + "/" + kScratchFile);
  return std::nullopt;
}

void ShowFailure(Host& host) {
  host.ShowMessage("Error Opening File", "Import HTML");
  ShowStatus(host, "Done.");
}

}  // namespace

int DownloadPage(Host& host, const std::string& address, const std::string& fileName, std::string* contentType) {
  ScratchFile page = ScratchFile::Beside(fileName);
  DownloadEvents events = ShownDownload(host);
  events.ContentType = contentType;
  if (!DownloadToScratch(address, page, events)) return 0;
  ShowStatus(host, "Done");
  return 1;
}

void OnImport(Host& host) {
  host.ReadForm();
  ShowStatus(host, "Loading...");
  const std::string address = host.Form().RedirectUrl;
  // The notice names the page, not the password the address may carry.
  host.ShowMessage(AddressWithoutCredentials(address) + kNoticeText, "Import HTML Page");

  // The page goes to a file of its own beside "temp.htm", which takes that
  // name only once the whole page is in.
  std::optional<ScratchFile> page = ImportScratchFile();
  if (!page) return ShowFailure(host);
  std::size_t lines = 0;
  ImportEvents events;
  events.Download = ShownDownload(host);
  events.Downloaded = [&host] {
    ShowStatus(host, "Done");
    host.ReadForm();
  };
  events.ItemShown = [&host] { host.ShowForm(); };
  events.LineApplied = [&] {
    host.ShowForm();
    // A page of many lines takes a while: let the window paint meanwhile.
    if (++lines % kLinesBetweenPaints == 0) host.KeepPainting();
  };
  const ImportResult imported = ImportAddress(address, *page, host.Form(), events);
  if (!imported.Result) return ShowFailure(host);
  // At the end of the head section the Status field keeps the download's "Done".
  if (!imported.HeadEnded) ShowStatus(host, "Done.");
}

}  // namespace verdo::handlers
