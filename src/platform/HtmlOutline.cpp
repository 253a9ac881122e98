#include "platform/HtmlOutline.h"

#include <gumbo.h>

#include <algorithm>
#include <memory>

#include "core/site/HeadExtent.h"
#include "core/text/Text.h"

namespace verdo {

namespace {

struct Parse {
  GumboOptions Options = kGumboDefaultOptions;
  GumboOutput* Output = nullptr;
  std::string_view Source;

  explicit Parse(std::string_view source) : Source(source) {
    Options.max_errors = 0;  // they aren't read: don't keep them
    Output = gumbo_parse_with_options(&Options, source.data(), source.size());
  }
  ~Parse() {
    if (Output) gumbo_destroy_output(&Options, Output);
  }
  Parse(const Parse&) = delete;
  Parse& operator=(const Parse&) = delete;
};

// `lowerNeedle` starts with a byte that has no case ("<").
std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle) {
  for (std::size_t at = text.find(lowerNeedle[0]); at != std::string_view::npos;
       at = text.find(lowerNeedle[0], at + 1)) {
    if (text.size() - at < lowerNeedle.size()) break;
    std::size_t i = 1;
    while (i < lowerNeedle.size() && ToLowerAscii(text[at + i]) == lowerNeedle[i]) ++i;
    if (i == lowerNeedle.size()) return at;
  }
  return std::string_view::npos;
}

std::vector<GumboNode*> Children(const GumboNode* node) {
  const GumboVector& list = node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
  std::vector<GumboNode*> out;
  for (unsigned i = 0; i < list.length; ++i) out.push_back(static_cast<GumboNode*>(list.data[i]));
  return out;
}

const GumboNode* ChildElement(const GumboNode* node, GumboTag tag) {
  if (!node) return nullptr;
  for (const GumboNode* child : Children(node))
    if (child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == tag) return child;
  return nullptr;
}

std::size_t OffsetOf(const Parse& parse, const GumboStringPiece& piece) {
  return static_cast<std::size_t>(piece.data - parse.Source.data());
}

bool Written(const GumboStringPiece& piece) { return piece.length > 0 && piece.data; }

std::string TagName(const GumboElement& element) {
  if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
  GumboStringPiece name = element.original_tag;
  gumbo_tag_from_original_text(&name);
  return ToLowerAscii(std::string_view(name.data ? name.data : "", name.length));
}

std::string TextOf(const GumboNode* node) {
  std::string text;
  for (const GumboNode* child : Children(node))
    if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE || child->type == GUMBO_NODE_CDATA)
      text += child->v.text.text;
  return text;
}

HeadElement ElementOf(const Parse& parse, const GumboNode* node, std::size_t base) {
  const GumboElement& element = node->v.element;
  HeadElement out;
  out.Tag = TagName(element);
  out.Bytes.Begin = base + OffsetOf(parse, element.original_tag);
  out.Bytes.End = out.Bytes.Begin + element.original_tag.length;
  if (Written(element.original_end_tag))
    out.Bytes.End = base + OffsetOf(parse, element.original_end_tag) + element.original_end_tag.length;
  else out.EndTagMissing = element.tag == GUMBO_TAG_TITLE;
  for (unsigned i = 0; i < element.attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
    out.Attributes.emplace_back(attribute->name, attribute->value);
  }
  if (element.tag == GUMBO_TAG_TITLE) out.Text = TextOf(node);
  return out;
}

// The document type declaration ends at its first ">".
std::optional<std::size_t> DoctypeEnd(std::string_view source) {
  const std::size_t start = FindNoCase(source, "<!doctype");
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t close = source.find('>', start);
  return close == std::string_view::npos ? source.size() : close + 1;
}

PageOutline OutlineOf(const Parse& parse, std::size_t base) {
  PageOutline outline;
  outline.ContentStart = base;
  const GumboNode* html = parse.Output->root;
  if (parse.Output->document->v.document.has_doctype) {
    const std::size_t htmlStart =
        Written(html->v.element.original_tag) ? OffsetOf(parse, html->v.element.original_tag) : parse.Source.size();
    if (const auto end = DoctypeEnd(parse.Source.substr(0, htmlStart))) outline.DoctypeEnd = base + *end;
  }
  for (unsigned i = 0; i < html->v.element.attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(html->v.element.attributes.data[i]);
    if (std::string_view(attribute->name) == "lang") outline.HtmlLang = attribute->value;
  }
  if (Written(html->v.element.original_tag))
    outline.HtmlTagEnd = base + OffsetOf(parse, html->v.element.original_tag) + html->v.element.original_tag.length;
  const GumboNode* head = ChildElement(html, GUMBO_TAG_HEAD);
  if (!head) return outline;
  if (Written(head->v.element.original_tag)) {
    const std::size_t begin = base + OffsetOf(parse, head->v.element.original_tag);
    outline.HeadTag = ByteRange{begin, begin + head->v.element.original_tag.length};
  }
  // The parser runs with scripting off: a title inside a noscript closes it
  // and lands in the head. Browsers run scripts and read all up to
  // </noscript> as text, so what starts before that isn't listed.
  std::size_t noscriptEnd = 0;
  for (const GumboNode* child : Children(head)) {
    if (child->type != GUMBO_NODE_ELEMENT || !Written(child->v.element.original_tag)) continue;
    const std::size_t at = OffsetOf(parse, child->v.element.original_tag);
    if (at < noscriptEnd) continue;
    outline.Head.push_back(ElementOf(parse, child, base));
    if (child->v.element.tag == GUMBO_TAG_NOSCRIPT) {
      const std::size_t close = FindNoCase(parse.Source.substr(at), "</noscript");
      noscriptEnd = close == std::string_view::npos ? parse.Source.size() : at + close;
    }
  }
  return outline;
}

// What the parser is given of `source`: as far as `extent` says, with what
// templates hold blanked (in `blanked`, a copy, when there are any).
std::string_view Bounded(std::string_view source, const HeadExtent& extent, std::string& blanked) {
  const std::string_view parsed = source.substr(0, extent.End);
  if (extent.TemplateContents.empty()) return parsed;
  blanked.assign(parsed);
  for (const ByteRange& contents : extent.TemplateContents)
    if (contents.Begin < blanked.size())
      std::fill(blanked.begin() + contents.Begin, blanked.begin() + std::min(contents.End, blanked.size()), ' ');
  return blanked;
}

bool AllHtmlSpace(const char* text) {
  for (; *text; ++text)
    if (!IsHtmlSpace(*text)) return false;
  return true;
}

// html, head and body are looked into; other elements count whole.
void AddMarkup(const Parse& parse, const GumboNode* node, std::vector<MarkupItem>& items) {
  switch (node->type) {
    case GUMBO_NODE_DOCUMENT:
      if (node->v.document.has_doctype) items.push_back({MarkupItem::Kind::Doctype, {}, {}});
      break;
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE: {
      const GumboTag tag = node->v.element.tag;
      if (Written(node->v.element.original_tag))
        items.push_back({MarkupItem::Kind::Element, ElementOf(parse, node, 0), {}});
      if (tag != GUMBO_TAG_HTML && tag != GUMBO_TAG_HEAD && tag != GUMBO_TAG_BODY) return;
      break;
    }
    case GUMBO_NODE_COMMENT: items.push_back({MarkupItem::Kind::Comment, {}, node->v.text.text}); return;
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_CDATA:
      if (!AllHtmlSpace(node->v.text.text)) items.push_back({MarkupItem::Kind::Text, {}, node->v.text.text});
      return;
    case GUMBO_NODE_WHITESPACE: return;
  }
  for (const GumboNode* child : Children(node)) AddMarkup(parse, child, items);
}

}  // namespace

std::vector<MarkupItem> OutlineMarkup(std::string_view text, std::size_t contentStart) {
  const std::string_view source = text.substr(std::min(contentStart, text.size()));
  HeadExtentLimits limits;
  limits.PastTheHead = true;
  std::string blanked;
  const HeadExtent extent = FindHeadExtent(source, limits);
  const Parse parse(Bounded(source, extent, blanked));
  std::vector<MarkupItem> items;
  AddMarkup(parse, parse.Output->document, items);
  // What the parser wasn't given may hold anything: count it as lost text.
  if (extent.Cut) items.push_back({MarkupItem::Kind::Text, {}, std::string(source.substr(extent.End, 64))});
  return items;
}

PageOutline OutlinePage(std::string_view page, std::size_t contentStart) {
  const std::string_view source = page.substr(std::min(contentStart, page.size()));
  const HeadExtent extent = FindHeadExtent(source);
  std::string blanked;
  const auto parse = std::make_unique<Parse>(Bounded(source, extent, blanked));
  PageOutline outline = OutlineOf(*parse, page.size() - source.size());
  outline.HeadCut = extent.Cut;
  return outline;
}

}  // namespace verdo
