// The import of a page file of any bytes, read in pieces as the file reader
// does: never crashes; the pieces don't matter; bytes after the last LF are
// never applied; no line holds more than the reader keeps, and a line too
// long to keep whole can end the head section but applies nothing.
#include <cstdlib>
#include <string>

#include "FuzzPieces.h"
#include "core/pages/PageImport.h"
#include "core/text/LineSplitter.h"

namespace {

using namespace verdo;

struct Imported {
  MetaTagForm Form;
  bool HeadEnded = false;
  bool operator==(const Imported&) const = default;
};

// As the Import button reads the page file, fed in the given pieces.
template <typename Pieces>
Imported Import(const Pieces& pieces, std::size_t kept) {
  Imported result;
  LineSplitter lines(kept);
  const auto onLine = [&](std::string_view line, bool whole) {
    if (line.size() > kept || line.empty()) std::abort();
    if (whole != (line.back() == '\n')) std::abort();
    result.HeadEnded = ApplyPageFileLine(line, whole, result.Form);
    return !result.HeadEnded;
  };
  for (const std::string_view piece : pieces)
    if (!lines.Feed(piece, onLine)) break;
  return result;
}

// The same, line by line over the whole page.
Imported ImportWhole(std::string_view page, std::size_t kept) {
  Imported result;
  std::size_t start = 0;
  for (std::size_t lf; !result.HeadEnded && (lf = page.find('\n', start)) != std::string_view::npos; start = lf + 1) {
    const std::string_view line = page.substr(start, lf + 1 - start);
    result.HeadEnded = line.size() <= kept ? ApplyPageLine(line, result.Form) : EndsHeadSection(line.substr(0, kept));
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(bytes), size);
  // A small limit now and then, so that cut lines occur in short inputs.
  const std::size_t kept =
      !page.empty() && (page[0] & 0x80) ? 1 + static_cast<unsigned char>(page[0]) % 100 : LineSplitter::kDefaultKept;

  const Imported inPieces = Import(fuzz::Pieces(page), kept);
  if (!(inPieces == ImportWhole(page, kept))) std::abort();

  // Whatever follows the last LF is no line: a title there changes nothing.
  const std::size_t lastLf = page.rfind('\n');
  std::string lines(page.substr(0, lastLf == std::string_view::npos ? 0 : lastLf + 1));
  if (!(Import(std::vector<std::string_view>{page}, kept) == inPieces)) std::abort();
  lines += "<TITLE>Not a line</TITLE>";
  if (!(Import(std::vector<std::string_view>{lines}, kept) == inPieces)) std::abort();
  return 0;
}
