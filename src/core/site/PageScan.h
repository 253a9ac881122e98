// What a page's bytes tell before any parsing: whether Export finds the line
// that closes its head, which encoding the program takes it to be in, and
// whether its declaration is contradicted by its bytes.
#pragma once

#include <string_view>

#include "core/pages/PageCharset.h"

namespace verdo {

struct PageScan {
  // A closing line with at least one byte after it: without one, Export
  // puts a second head section in front of the page.
  bool HeadEndFound = false;
  PageCharset Charset;       // as Export decides it
  bool SawNonAscii = false;  // any byte past the byte-order mark that isn't ASCII
  bool EncodingMismatch = false;
  // A byte-order mark, or a declaration that ends within the first 1024
  // bytes, where browsers look for one before they parse the page.
  bool CharsetEarly = false;
};

// The declaration counts in the part Export replaces: up to the closing
// line, or the whole page when there is none.
PageScan ScanPage(std::string_view page);

}  // namespace verdo
