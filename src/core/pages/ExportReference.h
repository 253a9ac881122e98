// Export on a whole page held in memory: the rules in their plainest form.
// The program itself streams (HeadEndScanner, CrLfStream and the file layer's
// ExportSource); the tests and fuzzers check the streaming code against these.
#pragma once

#include <string>
#include <string_view>

#include "core/pages/ExportPage.h"

namespace verdo {

struct PageSplit {
  std::string HeadPart;  // the lines up to and including the closing line; the whole page when not Found
  std::string Tail;      // every byte after the closing line's LF
  bool Found = false;    // a closing line with at least one byte after it
};

// Splits a page (LF line ends, as read). A last line without LF is part of
// the head part when there is no closing line: it is kept, not dropped.
PageSplit SplitAtHeadEnd(std::string_view page);

// The whole exported page: ExportPageStart, then the tail when found,
// or the head part (that is, the whole old page) when not.
std::string ComposeExportPage(std::string_view headBlock, std::string_view headPart, std::string_view tail, bool found);

}  // namespace verdo
