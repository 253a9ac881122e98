// The audit of any page, under any name: the report line is one line
// whatever the name and the page hold, neither it nor the JSON entry carries
// a raw control byte (but tab and the report's own line ends), and what is
// kept of a title or description stays within its bound.
//
// Input: a name, a NUL, then the page (no NUL: the page alone, named "p").
#include <cstdlib>
#include <string>

#include "core/site/SiteAudit.h"
#include "platform/HtmlOutline.h"

namespace {

using namespace verdo;

// A control byte that a terminal could act on.
bool HasRawControl(std::string_view text) {
  for (const char c : text)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const std::size_t nul = input.find('\0');
  const std::string name(nul == std::string_view::npos ? "p" : input.substr(0, nul));
  const std::string_view page = nul == std::string_view::npos ? input : input.substr(nul + 1);

  AuditSettings settings;
  settings.TextLimit = 64;
  const PageAudit audit = AuditPage(name, FactsFromOutline(OutlinePage(page)), settings);
  for (const auto* text : {&audit.Title, &audit.Description})
    if (*text && (*text)->size() > settings.TextLimit) std::abort();

  const std::string line = FormatAuditLine(audit);
  if (line.empty() || line.find('\n') != line.size() - 1 || HasRawControl(line)) std::abort();
  if (HasRawControl(FormatAuditJsonEntry(audit, 0))) std::abort();
  return 0;
}
