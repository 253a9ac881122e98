// Import (button 1005): the title and meta tags of the page at the Redirect
// URL address, fetched into "temp.htm" in the current directory, fill the form.
#include <string>

#include "core/pages/PageImport.h"
#include "handlers/Handlers.h"
#include "platform/Charset.h"
#include "platform/Download.h"

namespace verdo::handlers {
namespace {

constexpr const char* kScratchFile = "temp.htm";
constexpr std::size_t kLinesBetweenPaints = 4096;
constexpr const char* kNoticeText =
    "\nLoading META TAGS from the internet.\nPlease wait....\n\n"
    "Status at the top right of the main window indicates progress.";

void ReportOpenFailure(Host& host) {
  host.ShowMessage("Error Opening File", "Import HTML");
  host.StatusText() = "Done.";
  host.ShowForm();
}

}  // namespace

int DownloadPage(Host& host, const std::string& address, const std::string& fileName,
                 std::string* contentType) {
  DownloadEvents events;
  events.ContentType = contentType;
  events.Opened = [&host] {
    host.StatusText() = "Please Wait";
    host.ShowForm();
  };
  events.Progress = [&host] { host.KeepPainting(); };
  if (!DownloadToFile(address, fileName, events)) return 0;
  host.StatusText() = "Done";
  host.ShowForm();
  return 1;
}

void OnImport(Host& host) {
  host.ReadForm();
  host.StatusText() = "Loading...";
  host.ShowForm();
  const std::string address = host.Form().RedirectUrl;
  host.ShowMessage(address + kNoticeText, "Import HTML Page");

  // A failed download, an HTTP error status included, leaves the form as it was.
  std::string contentType;
  if (!DownloadPage(host, address, kScratchFile, &contentType)) {
    ReportOpenFailure(host);
    return;
  }
  host.ReadForm();
  const auto toForm = StoredPageDecoder(kScratchFile, contentType);
  if (!toForm) {
    ReportOpenFailure(host);
    return;
  }

  bool headEnded = false;
  std::size_t lines = 0;
  const auto shown = [&host] { host.ShowForm(); };
  const bool opened = ForEachFileLine(kScratchFile, [&](std::string_view line, bool whole) {
    headEnded = ApplyPageFileLine(line, whole, host.Form(), shown, *toForm);
    host.ShowForm();
    // A page of many lines takes a while: let the window paint meanwhile.
    if (++lines % kLinesBetweenPaints == 0) host.KeepPainting();
    return !headEnded;
  });
  if (!opened) {
    ReportOpenFailure(host);
    return;
  }
  // At the end of the head section the Status field keeps the download's "Done".
  if (headEnded) return;
  host.StatusText() = "Done.";
  host.ShowForm();
}

}  // namespace verdo::handlers
