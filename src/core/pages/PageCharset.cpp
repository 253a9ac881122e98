#include "core/pages/PageCharset.h"

#include <vector>

#include "core/text/Text.h"

namespace verdo {
namespace {

constexpr std::size_t kByteOrderMarkLongest = 4;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() && ToLowerAscii(text) == lower;
}

std::size_t SkipSpace(std::string_view s, std::size_t pos) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  return pos;
}

struct Attribute {
  std::string Name;  // lower case
  std::string_view Value;
};

// One attribute of a tag, read as browsers read it while looking for a
// declaration. `pos` moves past it. Nothing when the bytes end first.
// Sets `end` when the tag ends instead (pos then past its ">").
std::optional<Attribute> NextAttribute(std::string_view s, std::size_t& pos, bool& end) {
  end = false;
  while (pos < s.size() && (IsSpace(s[pos]) || s[pos] == '/')) ++pos;
  if (pos >= s.size()) return std::nullopt;
  if (s[pos] == '>') {
    end = true;
    ++pos;
    return Attribute{};
  }
  Attribute attribute;
  for (;; ++pos) {
    if (pos >= s.size()) return std::nullopt;
    const char c = s[pos];
    if (c == '=' && !attribute.Name.empty()) break;
    if (IsSpace(c)) {
      pos = SkipSpace(s, pos);
      if (pos >= s.size()) return std::nullopt;
      if (s[pos] != '=') return attribute;  // no value; the byte starts what follows
      break;
    }
    if (c == '/' || c == '>') return attribute;
    attribute.Name += ToLowerAscii(c);
  }
  pos = SkipSpace(s, pos + 1);  // past "="
  if (pos >= s.size()) return std::nullopt;
  const char first = s[pos];
  if (first == '"' || first == '\'') {
    const std::size_t close = s.find(first, pos + 1);
    if (close == std::string_view::npos) return std::nullopt;
    attribute.Value = s.substr(pos + 1, close - pos - 1);
    pos = close + 1;
    return attribute;
  }
  if (first == '>') return attribute;
  const std::size_t start = pos;
  while (pos < s.size() && !IsSpace(s[pos]) && s[pos] != '>') ++pos;
  if (pos >= s.size()) return std::nullopt;
  attribute.Value = s.substr(start, pos - start);
  return attribute;
}

// Reads the attributes of a tag from `pos` to its ">". The length of the
// tag from `s`'s start, or nothing when the bytes end first.
std::optional<std::size_t> ReadAttributes(std::string_view s, std::size_t pos, std::vector<Attribute>& out) {
  for (;;) {
    bool end = false;
    auto attribute = NextAttribute(s, pos, end);
    if (!attribute) return std::nullopt;
    if (end) return pos;
    out.push_back(std::move(*attribute));
  }
}

// The encoding a meta tag declares, from its attributes (the first of each
// name counts): a charset attribute, or http-equiv "Content-Type" with a
// content naming a charset.
std::optional<std::string_view> DeclaredBy(const std::vector<Attribute>& attributes) {
  std::vector<std::string_view> seen;
  bool gotPragma = false;
  bool charsetSet = false;  // a charset attribute or a content's charset was read
  bool needPragma = false;
  std::optional<std::string_view> charset;
  for (const Attribute& attribute : attributes) {
    bool repeated = false;
    for (const auto name : seen) repeated = repeated || name == attribute.Name;
    if (repeated) continue;
    seen.push_back(attribute.Name);
    if (attribute.Name == "http-equiv") {
      gotPragma = gotPragma || EqualsIgnoringCase(attribute.Value, "content-type");
    } else if (attribute.Name == "content" && !charsetSet) {
      if (const auto encoding = EncodingFromMetaContent(attribute.Value)) {
        charset = encoding;
        charsetSet = true;
        needPragma = true;
      }
    } else if (attribute.Name == "charset") {
      charset = EncodingForLabel(attribute.Value);
      charsetSet = true;
      needPragma = false;
    }
  }
  if (!charsetSet || !charset || (needPragma && !gotPragma)) return std::nullopt;
  if (*charset == kUtf16Le || *charset == kUtf16Be) return kUtf8;
  if (*charset == "x-user-defined") return kWindows1252;
  return charset;
}

}  // namespace

std::optional<std::string_view> EncodingFromContentType(std::string_view contentType) {
  std::size_t pos = contentType.find(';');
  while (pos != std::string_view::npos) {
    const std::size_t next = contentType.find(';', pos + 1);
    const std::string_view parameter =
        TrimBoth(contentType.substr(pos + 1, next == std::string_view::npos ? next : next - pos - 1));
    pos = next;
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos || !EqualsIgnoringCase(TrimBoth(parameter.substr(0, equals)), "charset"))
      continue;
    std::string_view value = TrimBoth(parameter.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return EncodingForLabel(value);
  }
  return std::nullopt;
}

std::optional<std::string_view> EncodingFromMetaContent(std::string_view content) {
  const std::string lower = ToLowerAscii(content);
  std::size_t pos = 0;
  for (;;) {
    const std::size_t at = lower.find("charset", pos);
    if (at == std::string::npos) return std::nullopt;
    pos = SkipSpace(content, at + 7);
    if (pos < content.size() && content[pos] == '=') break;
  }
  pos = SkipSpace(content, pos + 1);
  if (pos >= content.size()) return std::nullopt;
  const char first = content[pos];
  if (first == '"' || first == '\'') {
    const std::size_t close = content.find(first, pos + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return EncodingForLabel(content.substr(pos + 1, close - pos - 1));
  }
  std::size_t end = pos;
  while (end < content.size() && !IsSpace(content[end]) && content[end] != ';') ++end;
  return EncodingForLabel(content.substr(pos, end - pos));
}

void CharsetDeclarationFinder::Feed(std::string_view bytes) {
  if (Found() || bytes.empty()) return;
  pending_.append(bytes);
  // Without a ">" an unfinished tag can't end: no need to read it again.
  if (inTag_ && bytes.find('>') == std::string_view::npos && pending_.size() < kLongestTag) return;
  inTag_ = false;
  pending_.erase(0, Scan());
  if (Found()) pending_.clear();
}

std::size_t CharsetDeclarationFinder::Scan() {
  const std::string_view s = pending_;
  std::size_t i = 0;
  while (i < s.size()) {
    if (inComment_) {
      const std::size_t close = s.find("-->", i);
      if (close == std::string_view::npos) return s.size() < i + 2 ? i : s.size() - 2;  // "--" may end a piece
      inComment_ = false;
      i = close + 3;
      continue;
    }
    const std::size_t lt = s.find('<', i);
    if (lt == std::string_view::npos) return s.size();
    const std::string_view rest = s.substr(lt);
    if (rest.size() < 6) return lt;  // enough to tell "<!--" and "<meta " from other things
    // A tag must end within its first kLongestTag bytes: decided on those
    // alone, so that the answer doesn't depend on how the bytes came.
    const std::string_view window = rest.substr(0, kLongestTag);
    const bool windowFull = rest.size() >= kLongestTag;
    if (rest.starts_with("<!--")) {
      inComment_ = true;
      i = lt + 4;
      continue;
    }
    const bool meta = EqualsIgnoringCase(rest.substr(0, 5), "<meta") && (IsSpace(rest[5]) || rest[5] == '/');
    const bool endTag = rest[1] == '/' && IsLetter(rest[2]);
    if (meta || IsLetter(rest[1]) || endTag) {
      // Other tags' attributes are read too, so that a value holding
      // "<meta" isn't taken for a tag.
      std::size_t pos = meta ? 5 : 1;
      if (!meta)
        while (pos < window.size() && !IsSpace(window[pos]) && window[pos] != '>') ++pos;
      std::vector<Attribute> attributes;
      const auto length = ReadAttributes(window, pos, attributes);
      if (!length) {
        if (!windowFull) {
          inTag_ = true;
          return lt;
        }
        i = lt + 1;
        continue;
      }
      if (meta) {
        if (const auto encoding = DeclaredBy(attributes)) {
          encoding_ = encoding;
          tag_.assign(rest.substr(0, *length));
          return s.size();
        }
      }
      i = lt + *length;
      continue;
    }
    if (rest[1] == '!' || rest[1] == '/' || rest[1] == '?') {
      const std::size_t gt = window.find('>');
      if (gt == std::string_view::npos) {
        if (!windowFull) {
          inTag_ = true;
          return lt;
        }
        i = lt + 1;
        continue;
      }
      i = lt + gt + 1;
      continue;
    }
    i = lt + 1;
  }
  return s.size();
}

void PageCharsetScanner::KeepStart(std::string_view bytes) {
  if (start_.size() < kByteOrderMarkLongest) start_.append(bytes.substr(0, kByteOrderMarkLongest - start_.size()));
}

void PageCharsetScanner::FeedHead(std::string_view bytes) {
  KeepStart(bytes);
  declaration_.Feed(bytes);
  utf8_.Feed(bytes);
}

void PageCharsetScanner::FeedRest(std::string_view bytes) {
  KeepStart(bytes);
  utf8_.Feed(bytes);
}

bool PageCharsetScanner::WantsMore() const {
  return !SniffByteOrderMark(start_) && !declaration_.Found() && utf8_.ValidSoFar();
}

PageCharset PageCharsetScanner::Result(std::optional<std::string_view> transport) const {
  PageCharset result;
  result.Declaration = declaration_.Tag();
  if (const auto bom = SniffByteOrderMark(start_)) {
    result.Encoding = bom->Encoding;
    result.BomLength = bom->Length;
  } else if (transport) {
    result.Encoding = *transport;
  } else if (declaration_.Found()) {
    result.Encoding = *declaration_.Encoding();
  } else if (utf8_.Valid() && utf8_.SawNonAscii()) {
    result.Encoding = kUtf8;
  }
  return result;
}

}  // namespace verdo
