#include "core/pages/ExportLoss.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/compose/HeadBlock.h"
#include "core/site/KeptHead.h"
#include "core/text/Text.h"

namespace verdo {

namespace {

struct Words {
  const char* One;   // with its article
  const char* Many;  // after a number
};

// In the order of LostKind.
constexpr Words kWords[kLostKindCount] = {
    {"a stylesheet link", "stylesheet links"},
    {"an icon link", "icon links"},
    {"a canonical link", "canonical links"},
    {"another link", "other links"},
    {"a script", "scripts"},
    {"a style block", "style blocks"},
    {"a viewport line", "viewport lines"},
    {"an Open Graph line", "Open Graph lines"},
    {"another meta line", "other meta lines"},
    {"a base element", "base elements"},
    {"a noscript block", "noscript blocks"},
    {"a body tag", "body tags"},
    {"another element", "other elements"},
    {"a comment", "comments"},
    {"an XML declaration", "XML declarations"},
    {"a piece of text", "pieces of text"},
    {"a document type line", "document type lines"},
    {"an attribute on the html tag", "attributes on the html tag"},
    {"an attribute on the head tag", "attributes on the head tag"},
};

// Whether a space-separated list (rel="shortcut icon") holds `token`, in any case.
bool HasToken(const HeadElement& element, std::string_view attribute, std::string_view token) {
  const std::string* value = FindAttribute(element, attribute);
  if (!value) return false;
  std::string word;
  for (const char c : *value + ' ') {
    if (!IsHtmlSpace(c)) {
      word += ToLowerAscii(c);
    } else if (word == token) {
      return true;
    } else {
      word.clear();
    }
  }
  return false;
}

LostKind LinkKind(const HeadElement& link) {
  if (HasToken(link, "rel", "stylesheet")) return LostKind::StylesheetLink;
  if (HasToken(link, "rel", "icon") || HasToken(link, "rel", "apple-touch-icon")) return LostKind::IconLink;
  if (HasToken(link, "rel", "canonical")) return LostKind::CanonicalLink;
  return LostKind::OtherLink;
}

LostKind MetaKind(const HeadElement& meta) {
  const std::string* name = FindAttribute(meta, "name");
  if (name && ToLowerAscii(TrimHtmlSpace(*name)) == "viewport") return LostKind::Viewport;
  const std::string* property = FindAttribute(meta, "property");
  if (property && ToLowerAscii(TrimHtmlSpace(*property)).starts_with("og:")) return LostKind::OpenGraph;
  return LostKind::OtherMeta;
}

// The kind of an element Export would drop; nothing for one the form owns.
std::optional<LostKind> ElementKind(const HeadElement& element) {
  const std::string& tag = element.Tag;
  if (tag == "title" || tag == "meta")
    return ClassifyHeadElement(element) == HeadElementKind::Other ? std::optional(MetaKind(element)) : std::nullopt;
  if (tag == "link") return LinkKind(element);
  if (tag == "script") return LostKind::Script;
  if (tag == "style") return LostKind::Style;
  if (tag == "base") return LostKind::Base;
  if (tag == "noscript") return LostKind::Noscript;
  if (tag == "body") return LostKind::BodyTag;
  return LostKind::OtherElement;
}

// The program's own credit lines, as comment texts.
bool IsCreditComment(std::string_view text) {
  const std::string credits = CreditComments();
  std::string_view rest = credits;
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    const std::string_view line = rest.substr(0, lf);
    if (line.starts_with("<!--") && line.ends_with("-->") && line.substr(4, line.size() - 7) == text) return true;
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
  }
  return false;
}

}  // namespace

bool HeadLoss::Any() const {
  return SecondHead || std::any_of(Counts.begin(), Counts.end(), [](int n) { return n > 0; });
}

HeadLoss FindSecondHead(std::string_view content) {
  HeadLoss loss;
  loss.SecondHead = !std::all_of(content.begin(), content.end(), IsHtmlSpace);
  return loss;
}

HeadLoss FindHeadLoss(std::span<const MarkupItem> items) {
  HeadLoss loss;
  int declarations = 0;  // of the character set: Export repeats one, the others go
  const auto add = [&loss](LostKind kind, int n = 1) { loss.Counts[static_cast<std::size_t>(kind)] += n; };
  for (const MarkupItem& item : items) {
    switch (item.What) {
      case MarkupItem::Kind::Doctype: add(LostKind::DocumentType); break;
      case MarkupItem::Kind::Text: add(LostKind::Text); break;
      case MarkupItem::Kind::Comment:
        if (item.Text.starts_with("?")) add(LostKind::XmlDeclaration);  // "<?xml ...?>" reads as a comment
        else if (!IsCreditComment(item.Text)) add(LostKind::Comment);
        break;
      case MarkupItem::Kind::Element: {
        const auto attributes = static_cast<int>(item.Element.Attributes.size());
        if (item.Element.Tag == "html") add(LostKind::HtmlAttribute, attributes);
        else if (item.Element.Tag == "head") add(LostKind::HeadAttribute, attributes);
        else if (ClassifyHeadElement(item.Element) == HeadElementKind::Charset) {
          if (++declarations > 1) add(LostKind::OtherMeta);
        } else if (const auto kind = ElementKind(item.Element)) add(*kind);
        break;
      }
    }
  }
  return loss;
}

std::string DescribeDropped(const HeadLoss& loss) {
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < kLostKindCount; ++i) {
    const int n = loss.Counts[i];
    if (n == 1) parts.emplace_back(kWords[i].One);
    if (n > 1) parts.push_back(std::to_string(n) + " " + kWords[i].Many);
  }
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += i + 1 == parts.size() ? " and " : ", ";
    text += parts[i];
  }
  return text;
}

std::string HeadLossQuestion(const HeadLoss& loss) {
  if (loss.SecondHead)
    return "This page has no line that closes its head with more after it. Export puts a second head in front of "
           "the whole page.";
  return "This page's head also holds " + DescribeDropped(loss) + ". Export replaces the whole head.";
}

std::string HeadLossNote(const HeadLoss& loss) {
  if (loss.SecondHead)
    return "put a second head in front of the page, which has no line that closes its head with more after it "
           "(--keep-head replaces the head's own elements instead)";
  return "dropped " + DescribeDropped(loss) + " (--keep-head keeps them)";
}

}  // namespace verdo
