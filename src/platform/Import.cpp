#include "platform/Import.h"

#include "core/pages/PageImport.h"
#include "platform/Charset.h"
#include "platform/TextFile.h"

namespace verdo {

ImportResult ImportAddress(const std::string& address, ScratchFile& page, MetaTagForm& form,
                           const ImportEvents& events) {
  ImportResult imported;
  std::string contentType;
  DownloadEvents download = events.Download;
  download.ContentType = &contentType;
  imported.Result = DownloadToScratch(address, page, download);
  if (!imported.Result) return imported;
  if (events.Downloaded) events.Downloaded();
  // The values are read in the page's encoding, which its answer or its head
  // section names.
  const auto toForm = StoredPageDecoder(page.Fd(), contentType);
  if (!toForm) {
    imported.Result = Outcome::Failed("encoded in UTF-16 or UTF-32");
    return imported;
  }
  imported.Result = ForEachFileLine(
      page.Fd(),
      [&](std::string_view line, bool whole) {
        imported.HeadEnded = ApplyPageFileLine(line, whole, form, events.ItemShown, *toForm);
        if (events.LineApplied) events.LineApplied();
        return !imported.HeadEnded;
      },
      kMaxDownloadBytes);
  return imported;
}

}  // namespace verdo
