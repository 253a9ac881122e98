// Where a page's head section and its elements stand, in bytes of the page.
// An HTML parser (platform/HtmlOutline.h) fills it in; the kept-head export
// and the site audit read it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verdo {

struct ByteRange {
  std::size_t Begin = 0;
  std::size_t End = 0;  // one past the last byte
  bool operator==(const ByteRange&) const = default;
};

// One element that is a child of the head, as the parser built the tree.
struct HeadElement {
  std::string Tag;  // lower case: "title", "meta", "link", ...
  // From the first byte of its start tag to the last of its end tag (the
  // start tag alone for an element without end tag, such as meta).
  ByteRange Bytes;
  bool EndTagMissing = false;  // an element that has one (title) but whose end tag isn't in the page
  // Attribute names in lower case, values as decoded, in the page's order.
  std::vector<std::pair<std::string, std::string>> Attributes;
  std::string Text;  // the element's text, decoded (the title's)
};

struct PageOutline {
  std::size_t ContentStart = 0;           // past the byte-order mark
  std::optional<std::size_t> DoctypeEnd;  // past the document type declaration
  std::optional<std::size_t> HtmlTagEnd;  // past an <html ...> start tag written in the page
  std::optional<ByteRange> HeadTag;       // a <head ...> start tag written in the page
  std::optional<std::string> HtmlLang;    // the lang attribute of <html>, decoded
  // The head went on past what the parser is given (see HtmlOutline.h):
  // elements after that point are missing from `Head`.
  bool HeadCut = false;
  std::vector<HeadElement> Head;  // the head's elements, in document order
};

// The value of an attribute (by lower-case name), or nothing.
const std::string* FindAttribute(const HeadElement& element, std::string_view name);

// HTML's white space: blank, tab, LF, form feed, CR.
bool IsHtmlSpace(char c);
std::string_view TrimHtmlSpace(std::string_view text);

}  // namespace verdo
