// Import: the page at an address, downloaded into a scratch file, applied to
// the form line by line up to the end of its head section. The window and
// verdo-cli both import through this; they differ in the scratch file (the
// window's "temp.htm" in the current folder, verdo-cli's one without a name)
// and in what they show meanwhile.
#pragma once

#include <functional>
#include <string>

#include "core/form/MetaTagForm.h"
#include "platform/Download.h"
#include "platform/FileAccess.h"
#include "platform/Outcome.h"

namespace verdo {

struct ImportEvents {
  DownloadEvents Download;
  // The whole page is in; its first line comes next.
  std::function<void()> Downloaded;
  // After each line of the page.
  std::function<void()> LineApplied;
  // After each keyword stored and each robots item examined.
  std::function<void()> ItemShown;
};

struct ImportResult {
  Outcome Result;
  bool HeadEnded = false;  // a line ended the head section (the lines after it were not read)
};

// A failed download (an HTTP error status included) leaves the form as it was.
ImportResult ImportAddress(const std::string& address, ScratchFile& page, MetaTagForm& form,
                           const ImportEvents& events = {});

}  // namespace verdo
