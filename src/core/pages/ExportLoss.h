// What Export's replacement of the whole head section would throw away.
// The form owns the title, the meta elements the head block writes, the
// character-set declaration (which Export repeats), the program's own two
// credit comment lines and white space; everything else in the part Export
// replaces is the page's own and would be lost: other elements (stylesheet
// links, scripts, the viewport line, ...), other comments, the document type
// line, attributes on the <html> and <head> tags, text.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/site/PageOutline.h"

namespace verdo {

// One piece of markup in the part of a page Export replaces, as an HTML
// parser found it (platform/HtmlOutline.h), in document order. Elements
// other than html, head and body come whole: what they hold is not listed.
struct MarkupItem {
  enum class Kind { Doctype, Element, Comment, Text };
  Kind What = Kind::Element;
  HeadElement Element;  // an element written in the page: its tag and attributes
  std::string Text;     // a comment's text (between "<!--" and "-->"), or text that isn't all white space
};

enum class LostKind {
  StylesheetLink,
  IconLink,
  CanonicalLink,
  OtherLink,
  Script,
  Style,
  Viewport,
  OpenGraph,
  OtherMeta,
  Base,
  Noscript,
  BodyTag,
  OtherElement,
  Comment,
  XmlDeclaration,
  Text,
  DocumentType,
  HtmlAttribute,
  HeadAttribute,
};
constexpr std::size_t kLostKindCount = static_cast<std::size_t>(LostKind::HeadAttribute) + 1;

struct HeadLoss {
  std::array<int, kLostKindCount> Counts{};
  // No closing line with something after it: Export would put a second head
  // section in front of the whole old page.
  bool SecondHead = false;

  int Count(LostKind kind) const { return Counts[static_cast<std::size_t>(kind)]; }
  bool Any() const;
};

// What replacing the head part (the lines up to the closing line) as a
// whole loses; `items` are those of the head part.
HeadLoss FindHeadLoss(std::span<const MarkupItem> items);
// A page without a closing line with something after it loses nothing, but
// gets a second head section in front of all it holds, unless that is white
// space alone. `content` is the page past its byte-order mark.
HeadLoss FindSecondHead(std::string_view content);

// In plain words with counts: "3 stylesheet links, 2 scripts, a viewport
// line and a document type line"; empty when nothing is dropped.
std::string DescribeDropped(const HeadLoss& loss);

// The window's question before Export goes on.
std::string HeadLossQuestion(const HeadLoss& loss);
// verdo-cli's note on what a whole-head export did to a page (after the
// page's name).
std::string HeadLossNote(const HeadLoss& loss);

// The answers to the window's question.
enum class HeadLossAnswer {
  KeepThem,    // only the head block's own elements replaced, as export --keep-head does
  ReplaceAll,  // the whole head section replaced
  Cancel,      // nothing written
};

}  // namespace verdo
