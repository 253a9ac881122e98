// A page's head found by an HTML parser (gumbo, which builds the tree as
// browsers do): the head closed by </head> in any case or left open for the
// body to close, tags over several lines, single quotes, "/>".
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/pages/ExportLoss.h"
#include "core/site/PageOutline.h"

namespace verdo {

// The outline of `page` from `contentStart` on (past a byte-order mark).
// The page may be in any encoding that leaves ASCII as ASCII: its other
// bytes don't change where elements stand, though they read as U+FFFD in
// the decoded texts unless the page is UTF-8.
//
// Only as much of the page is parsed as it takes to reach the body, after
// which nothing more can join the head, and at most 8 MiB or 16,384 tags of
// it (HeadExtent.h; `HeadCut` tells a head that went on); what templates in
// the head hold is not parsed. The parser's time and memory so stay linear
// in what it is given, whatever the page.
PageOutline OutlinePage(std::string_view page, std::size_t contentStart = 0);

// Every piece of markup that `text` (from `contentStart` on) writes, parsed
// whole, in document order: the document type declaration, each element
// written in it (html, head and body with what they hold, other elements
// whole), comments, and text that isn't all white space. As for the outline,
// what templates hold is left out and at most 8 MiB or 16,384 tags are
// parsed; the rest, if any, comes as one more text item.
std::vector<MarkupItem> OutlineMarkup(std::string_view text, std::size_t contentStart = 0);

}  // namespace verdo
