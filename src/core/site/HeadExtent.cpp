#include "core/site/HeadExtent.h"

#include <algorithm>
#include <array>

#include "core/text/Text.h"

namespace verdo {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view lower) {
  if (text.size() - std::min(at, text.size()) < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i)
    if (ToLowerAscii(text[at + i]) != lower[i]) return false;
  return true;
}

// Elements a head holds (or that go on in it, such as a stray <html>).
constexpr std::array<std::string_view, 13> kHeadTags = {"html",   "head",  "base",     "basefont", "bgsound",
                                                        "link",   "meta",  "noscript", "noframes", "style",
                                                        "script", "title", "template"};
// Elements whose text runs to their own end tag, tags inside it being text.
constexpr std::array<std::string_view, 9> kRawTextTags = {"title", "textarea", "style",   "script",   "noframes",
                                                          "xmp",   "iframe",   "noembed", "plaintext"};

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& list, std::string_view name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

struct Tag {
  std::string Name;           // lower case
  bool End = false;           // </name>
  std::size_t After = kNone;  // past its ">", or kNone when the page ends first
};

class Scanner {
 public:
  explicit Scanner(std::string_view page) : page_(page) {}

  // Past the comment, declaration or processing instruction at `at` ("<!" or "<?").
  std::size_t SkipMarkup(std::size_t at) const {
    if (StartsWithNoCase(page_, at, "<!--")) {
      if (StartsWithNoCase(page_, at + 4, ">")) return at + 5;
      if (StartsWithNoCase(page_, at + 4, "->")) return at + 6;
      for (std::size_t i = page_.find("--", at + 4); i != kNone; i = page_.find("--", i + 1)) {
        if (StartsWithNoCase(page_, i + 2, ">")) return i + 3;
        if (StartsWithNoCase(page_, i + 2, "!>")) return i + 4;
      }
      return kNone;
    }
    const std::size_t close = page_.find('>', at);
    return close == kNone ? kNone : close + 1;
  }

  // The tag at `at` ("<" and a letter, or "</" and a letter), read with
  // its attributes, whose quoted values may hold ">".
  Tag ReadTag(std::size_t at) const {
    Tag tag;
    std::size_t i = at + 1;
    if (page_[i] == '/') {
      tag.End = true;
      ++i;
    }
    while (i < page_.size() && !IsHtmlSpace(page_[i]) && page_[i] != '/' && page_[i] != '>')
      tag.Name += ToLowerAscii(page_[i++]);
    while (i < page_.size()) {
      const char c = page_[i];
      if (c == '>') {
        tag.After = i + 1;
        return tag;
      }
      if (c == '"' || c == '\'') {
        // Only a value opens a quote: after "=" (white space allowed between).
        std::size_t before = i;
        while (before > at && IsHtmlSpace(page_[before - 1])) --before;
        if (page_[before - 1] == '=') {
          const std::size_t close = page_.find(c, i + 1);
          if (close == kNone) return tag;
          i = close + 1;
          continue;
        }
      }
      ++i;
    }
    return tag;
  }

  // Where the end tag of a raw text element starts, or kNone.
  std::size_t RawTextEnd(std::size_t from, std::string_view name) const {
    for (std::size_t i = page_.find("</", from); i != kNone; i = page_.find("</", i + 1)) {
      if (!StartsWithNoCase(page_, i + 2, name)) continue;
      const std::size_t after = i + 2 + name.size();
      if (after == page_.size() || IsHtmlSpace(page_[after]) || page_[after] == '/' || page_[after] == '>') return i;
    }
    return kNone;
  }

  // Past a start tag's element when its text is raw: its end tag. Else
  // past the tag itself.
  std::size_t PastRawText(const Tag& tag) const {
    if (tag.End || !OneOf(kRawTextTags, tag.Name)) return tag.After;
    const std::size_t end = RawTextEnd(tag.After, tag.Name);
    if (end == kNone) return kNone;
    return ReadTag(end).After;
  }

  // Where the end tag of the template whose contents start at `from`
  // starts, nested templates counted; kNone when there is none.
  std::size_t TemplateEnd(std::size_t from) const {
    std::size_t depth = 1;
    for (std::size_t i = page_.find('<', from); i != kNone && i + 1 < page_.size(); i = page_.find('<', i)) {
      const char next = page_[i + 1];
      if (next == '!' || next == '?') {
        i = SkipMarkup(i);
      } else if (IsAsciiAlpha(next) || (next == '/' && i + 2 < page_.size() && IsAsciiAlpha(page_[i + 2]))) {
        const Tag tag = ReadTag(i);
        if (tag.Name == "template" && tag.End && --depth == 0) return i;
        if (tag.Name == "template" && !tag.End) ++depth;
        i = tag.After == kNone ? kNone : PastRawText(tag);
      } else {
        ++i;
      }
      if (i == kNone) return kNone;
    }
    return kNone;
  }

 private:
  std::string_view page_;
};

}  // namespace

HeadExtent FindHeadExtent(std::string_view page, const HeadExtentLimits& limits) {
  const Scanner scan(page);
  HeadExtent extent;
  std::size_t tags = 0;
  // The page from `at` on is all the parser needs, or gets.
  const auto upTo = [&](std::size_t at) {
    extent.End = std::min(at, page.size());
    extent.Cut = extent.End > limits.Bytes;
    if (extent.Cut) extent.End = limits.Bytes;
    return extent;
  };
  std::size_t at = 0;
  while (at < page.size()) {
    if (at >= limits.Bytes || tags >= limits.Tags) {
      extent.End = at;
      extent.Cut = true;
      return extent;
    }
    const char c = page[at];
    if (IsHtmlSpace(c)) {
      ++at;
      continue;
    }
    const char next = at + 1 < page.size() ? page[at + 1] : '\0';
    if (c != '<' || !(next == '!' || next == '?' || next == '/' || IsAsciiAlpha(next))) {
      if (!limits.PastTheHead) return upTo(at + 1);  // text: the body starts
      at = std::min(page.find('<', at + 1), page.size());
      continue;
    }
    ++tags;
    if (next == '!' || next == '?') {
      at = scan.SkipMarkup(at);
      if (at == kNone) return upTo(page.size());
      continue;
    }
    if (next == '/' && (at + 2 >= page.size() || !IsAsciiAlpha(page[at + 2]))) {
      // "</>" is nothing; "</" and something else a comment.
      at = scan.SkipMarkup(at);
      if (at == kNone) return upTo(page.size());
      continue;
    }
    const Tag tag = scan.ReadTag(at);
    if (tag.After == kNone) return upTo(page.size());
    const bool endsHead =
        tag.End ? (tag.Name == "body" || tag.Name == "html" || tag.Name == "br") : !OneOf(kHeadTags, tag.Name);
    if (endsHead && !limits.PastTheHead) return upTo(tag.After);
    if (!tag.End && tag.Name == "template") {
      const std::size_t end = scan.TemplateEnd(tag.After);
      extent.TemplateContents.push_back(ByteRange{tag.After, std::min(end, page.size())});
      if (end == kNone) return upTo(page.size());
      at = end;
      continue;
    }
    at = scan.PastRawText(tag);
    if (at == kNone) return upTo(page.size());
  }
  return upTo(page.size());
}

}  // namespace verdo
