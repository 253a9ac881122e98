// The encoding of any page: the declaration finder and the UTF-8 check fed in
// pieces agree with one whole feed; a page the check calls valid decodes and
// encodes back to itself; the references of the form's text read back.
#include <cstdlib>
#include <string>

#include "FuzzPieces.h"
#include "core/pages/PageCharset.h"
#include "core/text/Encoding.h"
#include "core/text/Windows1252.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace verdo;
  const std::string_view page(reinterpret_cast<const char*>(bytes), size);

  CharsetDeclarationFinder whole;
  whole.Feed(page);
  CharsetDeclarationFinder pieces;
  Utf8Check check;
  for (const auto piece : fuzz::Pieces(page)) {
    pieces.Feed(piece);
    check.Feed(piece);
  }
  if (whole.Found() != pieces.Found() || whole.Encoding() != pieces.Encoding() || whole.Tag() != pieces.Tag())
    std::abort();
  if (whole.Found() && (whole.Tag().empty() || page.find(whole.Tag()) == std::string_view::npos)) std::abort();

  Utf8Check once;
  once.Feed(page);
  if (once.Valid() != check.Valid() || once.SawNonAscii() != check.SawNonAscii()) std::abort();
  if (once.Valid() && Utf8FromUtf32(Utf32FromUtf8(page)) != page) std::abort();

  // The page's bytes as form text: in UTF-8 and back they are the same bytes.
  if (Cp1252FromPageText(*EncodeCp1252ForPage(page, kUtf8), kUtf8) != page) std::abort();
  return 0;
}
