#include "core/site/PageScan.h"

#include "core/pages/ExportPage.h"
#include "core/site/SiteAudit.h"

namespace verdo {

PageScan ScanPage(std::string_view page) {
  PageScan scan;
  HeadEndScanner headEnd;
  const auto tailStart = headEnd.Feed(page);
  scan.HeadEndFound = tailStart && *tailStart < page.size();
  const std::size_t headPart = scan.HeadEndFound ? *tailStart : page.size();

  PageCharsetScanner charset;
  charset.FeedHead(page.substr(0, headPart));
  charset.FeedRest(page.substr(headPart));
  scan.Charset = charset.Result();

  const auto bom = SniffByteOrderMark(page);
  const std::string_view content = page.substr(bom ? bom->Length : 0);
  Utf8Check utf8;
  utf8.Feed(content);
  scan.SawNonAscii = utf8.SawNonAscii();
  CharsetDeclarationFinder declaration;
  declaration.Feed(page.substr(0, headPart));
  scan.EncodingMismatch = EncodingContradicted(bom ? std::optional(bom->Encoding) : std::nullopt,
                                               declaration.Encoding(), utf8.Valid(), utf8.SawNonAscii());
  constexpr std::size_t kPrescan = 1024;
  CharsetDeclarationFinder early;
  early.Feed(page.substr(0, kPrescan));
  scan.CharsetEarly = bom.has_value() || early.Found();
  return scan;
}

}  // namespace verdo
