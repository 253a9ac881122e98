// The page split of Export on any page: the exported page split again finds
// the same kept part; the streaming scanner fed in pieces agrees with the
// whole-page split, on the raw bytes as on the text read with CR LF as LF;
// and the streaming line-end conversion equals the whole-text one.
//
// Input: bytes for the form, a NUL, then the page (the whole input is the
// page when there is no NUL).
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "FuzzForm.h"
#include "FuzzPieces.h"
#include "core/compose/HeadBlock.h"
#include "core/pages/ExportPage.h"
#include "core/pages/ExportReference.h"
#include "core/text/CrLfStream.h"
#include "core/text/Text.h"

namespace {

using namespace verdo;

// Where the scanner, fed the page in pieces, says the kept part begins.
std::optional<std::size_t> ScanInPieces(std::string_view page) {
  HeadEndScanner scanner;
  std::size_t offset = 0;
  for (const auto piece : fuzz::Pieces(page)) {
    if (const auto at = scanner.Feed(piece)) {
      if (!scanner.SawClosingLine() || *at > piece.size()) std::abort();
      // The tail may begin in an earlier piece, but never past this one's offset.
      if (scanner.TailStart() > offset + *at) std::abort();
      return scanner.TailStart();
    }
    if (scanner.SawClosingLine()) std::abort();
    offset += piece.size();
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::string_view data(reinterpret_cast<const char*>(bytes), size);
  std::string_view formBytes;
  if (const auto nul = data.find('\0'); nul != std::string_view::npos) {
    formBytes = data.substr(0, nul);
    data.remove_prefix(nul + 1);
  }
  const std::string_view page = data;

  const PageSplit split = SplitAtHeadEnd(page);
  if (split.HeadPart.size() + split.Tail.size() != page.size()) std::abort();
  if (split.Found == split.Tail.empty()) std::abort();
  if (split.HeadPart + split.Tail != page) std::abort();

  // In pieces: the same place, or (no byte after the closing line) the end.
  const auto scanned = ScanInPieces(page);
  if (split.Found) {
    if (scanned != split.HeadPart.size()) std::abort();
  } else if (scanned && *scanned != page.size()) {
    std::abort();
  }

  // Reading CR LF as LF changes nothing but the line ends.
  const PageSplit text = SplitAtHeadEnd(CrLfToLf(page));
  if (text.Found != split.Found || text.Tail != CrLfToLf(split.Tail)) std::abort();

  // Export, then split the exported page again: the same kept part. The head
  // block's lines all start with "<T", "<M" or "<!" once no value holds a
  // line break, so none of them closes the head section.
  MetaTagForm form = fuzz::FormFromBytes(formBytes);
  for (const auto& field : FormFields())
    if (field.Kind == FieldKind::Text) std::erase(*field.Text(form), '\n');
  const std::string block = ComposeHeadBlock(form, HeadBlockStyle::Plain);
  const std::string kept = split.Found ? split.Tail : split.HeadPart;
  const std::string exported = ExportPageStart(block, split.Found) + kept;
  if (exported != ComposeExportPage(block, split.HeadPart, split.Tail, split.Found)) std::abort();
  const PageSplit again = SplitAtHeadEnd(exported);
  if (again.Found != !kept.empty()) std::abort();
  if (again.Found && again.Tail != kept) std::abort();

  // Line ends converted in pieces, as the kept part is copied, equal the
  // whole text read and written back.
  CrLfStream stream;
  std::string converted;
  for (const auto piece : fuzz::Pieces(page)) stream.Convert(piece, converted);
  if (converted != LfToCrLf(CrLfToLf(page))) std::abort();
  return 0;
}
