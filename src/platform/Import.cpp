#include "platform/Import.h"

#include "core/pages/PageImport.h"
#include "platform/TextFile.h"

namespace verdo {

ImportResult ImportAddress(const std::string& address, ScratchFile& page, MetaTagForm& form,
                           const ImportEvents& events) {
  ImportResult imported;
  imported.Result = DownloadToScratch(address, page, events.Download);
  if (!imported.Result) return imported;
  if (events.Downloaded) events.Downloaded();
  imported.Result = ForEachFileLine(
      page.Fd(),
      [&](std::string_view line, bool whole) {
        imported.HeadEnded = ApplyPageFileLine(line, whole, form, events.ItemShown);
        if (events.LineApplied) events.LineApplied();
        return !imported.HeadEnded;
      },
      kMaxDownloadBytes);
  return imported;
}

}  // namespace verdo
