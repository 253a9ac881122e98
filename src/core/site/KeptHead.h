// Export that keeps the rest of the head: the head block takes the place of
// the elements it provides (the title, and the meta elements it writes) and
// every other byte of the page stays as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/site/PageOutline.h"

namespace verdo {

// Which of the head block's own elements a run replaces: the title and the
// meta elements the block writes, named as users name them ("title",
// "description", "keywords", "author", "copyright", "robots", "expires",
// "distribution", "revisit-after").
class OwnedFields {
 public:
  // Every one of them, as a kept-head export replaces unless told otherwise.
  static OwnedFields All();
  // The fields of a comma-separated list ("author,robots"; blanks around a
  // name and its case don't matter); nothing when a name isn't one of them.
  static std::optional<OwnedFields> Parse(std::string_view list);
  // The names Parse takes, for a usage message: "title, description, ...".
  static std::string Names();

  bool HasTitle() const { return Has(0); }
  // Field 0 is the title, then the meta names in the order above.
  bool Has(std::size_t field) const { return (bits_ >> field) & 1U; }

 private:
  std::uint32_t bits_ = 0;
};

enum class HeadElementKind {
  HeadBlock,  // the title, or a meta element of a name the head block writes
  Charset,    // the character-set declaration
  Other,      // kept as it is: link, script, style, base, other meta ...
};

// The element's kind when the run replaces `fields`: an owned element of
// another field is one to keep.
HeadElementKind ClassifyHeadElement(const HeadElement& element, const OwnedFields& fields = OwnedFields::All());

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
// With `fields` less than all of them, only the page's elements of those
// fields are replaced, by the block's lines of those fields. With the title
// among them, the block goes as above; without it, where the first of them
// stood, else on the line after the page's title, else as above. When the
// block has no line of them, they are removed and nothing is put in.
//
// Nothing when a title has no end tag: its text then runs to the end of the
// page, which replacing it would throw away, and what the parser took for
// its text may hold the page's other elements.
std::optional<std::string> ComposeKeptHeadPage(std::string_view page, const PageOutline& outline,
                                               std::string_view headBlock,
                                               const OwnedFields& fields = OwnedFields::All());

}  // namespace verdo
