// Export that keeps the rest of the head: the head block takes the place of
// the elements it provides (the title, and the meta elements it writes) and
// every other byte of the page stays as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/site/PageOutline.h"

namespace verdo {

enum class HeadElementKind {
  HeadBlock,  // the title, or a meta element of a name the head block writes
  Charset,    // the character-set declaration
  Other,      // kept as it is: link, script, style, base, other meta ...
};

HeadElementKind ClassifyHeadElement(const HeadElement& element);

// The page's line end: CR LF when its first line ends so, else LF.
std::string_view PageLineEnd(std::string_view page);

// The page with `headBlock` (LF line ends, already in the page's encoding)
// in place of the head block's own elements. The block goes where the first
// title stood; without a title, after the character-set declaration, else
// after the head start tag, else in front of the head's first element; a
// page with no head at all gets a head section after <html> (or at the
// start, past the document type). Elements replaced or removed take the
// blanks and line end of their line with them when they stood alone on it,
// and the block's lines are joined with the page's line end and indented as
// the line it stands on, so that a second run gives the same bytes.
//
// Nothing when a title has no end tag: its text then runs to the end of the
// page, which replacing it would throw away.
std::optional<std::string> ComposeKeptHeadPage(std::string_view page, const PageOutline& outline,
                                               std::string_view headBlock);

}  // namespace verdo
