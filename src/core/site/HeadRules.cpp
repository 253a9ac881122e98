#include "core/site/HeadRules.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>
#include <vector>

#include "core/text/Encoding.h"
#include "core/text/Text.h"

namespace verdo {

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsAlpha(c) || IsDigit(c); }

bool All(std::string_view text, bool (*test)(char)) {
  for (const char c : text)
    if (!test(c)) return false;
  return true;
}

// Pieces of `text` between any of the `separators`, empty ones left out.
std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && separators.find(text[i]) == std::string_view::npos) continue;
    if (i > start) pieces.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return pieces;
}

std::string LowerTrimmed(const std::string* value) { return value ? ToLowerAscii(TrimHtmlSpace(*value)) : ""; }

bool IsSpecialScheme(std::string_view scheme) {
  return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "ws" || scheme == "wss";
}

struct UrlParts {
  std::string Scheme;     // lower case
  std::string_view Rest;  // after "scheme:"
};

std::string_view TrimControls(std::string_view url) {
  while (!url.empty() && static_cast<unsigned char>(url.front()) <= 0x20) url.remove_prefix(1);
  while (!url.empty() && static_cast<unsigned char>(url.back()) <= 0x20) url.remove_suffix(1);
  return url;
}

bool SplitScheme(std::string_view url, UrlParts& parts) {
  url = TrimControls(url);
  const std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0 || !IsAlpha(url[0])) return false;
  for (const char c : url.substr(0, colon))
    if (!IsAlnum(c) && c != '+' && c != '-' && c != '.') return false;
  parts.Scheme = ToLowerAscii(url.substr(0, colon));
  parts.Rest = url.substr(colon + 1);
  return true;
}

// A special URL's authority and what follows it ("/path?query#fragment").
std::pair<std::string_view, std::string_view> Authority(std::string_view rest) {
  while (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) rest.remove_prefix(1);
  const std::size_t end = rest.find_first_of("/\\?#");
  if (end == std::string_view::npos) return {rest, {}};
  return {rest.substr(0, end), rest.substr(end)};
}

bool ValidHostAndPort(std::string_view authority) {
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string_view host = authority;
  std::string_view port;
  if (!host.empty() && host.front() == '[') {
    const std::size_t close = host.find(']');
    if (close == std::string_view::npos) return false;
    port = host.substr(close + 1);
    host = host.substr(1, close - 1);
    if (host.empty() || host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos) return false;
    if (!port.empty() && port.front() != ':') return false;
    if (!port.empty()) port.remove_prefix(1);
  } else if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
    port = host.substr(colon + 1);
    host = host.substr(0, colon);
    if (host.empty()) return false;
  }
  if (host.empty()) return false;
  for (const char c : host)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F ||
        std::string_view("#%/<>?@[\\]^|").find(c) != std::string_view::npos)
      return false;
  if (port.size() > 5 || !All(port, IsDigit)) return false;
  return port.empty() || std::stoul(std::string(port)) <= 65535;
}

// The ISO 639 codes, sorted: made from Debian's iso-codes when the program
// is built.
constexpr std::string_view kLanguageCodes[] = {
#include "core/LanguageCodes.inc"
};

// Irregular tags of a known language that don't fit the grammar; the
// irregular "i-" tags name no language search engines know.
constexpr std::string_view kIrregularTags[] = {"en-gb-oed", "sgn-be-fr", "sgn-be-nl", "sgn-ch-de"};

std::string_view DefaultPort(std::string_view scheme) {
  if (scheme == "http" || scheme == "ws") return "80";
  if (scheme == "https" || scheme == "wss") return "443";
  return "21";  // ftp
}

// User, host in lower case and port, the scheme's default port left out.
std::string ComparableAuthority(std::string_view authority, std::string_view scheme) {
  std::string out;
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    out = authority.substr(0, at + 1);
    authority.remove_prefix(at + 1);
  }
  const std::size_t colon = authority.rfind(':');
  if (colon == std::string_view::npos || authority.find(']', colon) != std::string_view::npos)
    return out + ToLowerAscii(authority);
  std::string_view port = authority.substr(colon + 1);
  while (port.size() > 1 && port.front() == '0') port.remove_prefix(1);
  out += ToLowerAscii(authority.substr(0, colon));
  if (!port.empty() && port != DefaultPort(scheme)) out += ":" + std::string(port);
  return out;
}

// Bytes as a browser writes them into a URL: the blanks, controls,
// non-ASCII and those of `escaped` as %XX.
std::string PercentEncoded(std::string_view text, std::string_view escaped) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F && escaped.find(c) == std::string_view::npos) {
      out += c;
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  }
  return out;
}

// A special URL's path with "." and ".." segments resolved (also as
// %2e), backslashes as slashes, characters percent-encoded as a browser
// does.
std::string ComparablePath(std::string_view path) {
  std::vector<std::string> segments;
  std::string rest(path.empty() ? path : path.substr(1));
  std::replace(rest.begin(), rest.end(), '\\', '/');
  for (std::size_t start = 0;;) {
    const std::size_t slash = std::min(rest.find('/', start), rest.size());
    const std::string segment = ToLowerAscii(std::string_view(rest).substr(start, slash - start));
    const bool last = slash == rest.size();
    if (segment == ".." || segment == ".%2e" || segment == "%2e." || segment == "%2e%2e") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.emplace_back();
    } else if (segment == "." || segment == "%2e") {
      if (last) segments.emplace_back();
    } else {
      segments.push_back(PercentEncoded(std::string_view(rest).substr(start, slash - start), "\"<>`{}"));
    }
    if (last) break;
    start = slash + 1;
  }
  std::string out;
  for (const auto& segment : segments) out += "/" + segment;
  return out.empty() ? "/" : out;
}

bool IsLanguage(std::string_view s) {
  return (s.size() == 2 || s.size() == 3) && All(s, IsAlpha) &&
         std::binary_search(std::begin(kLanguageCodes), std::end(kLanguageCodes), ToLowerAscii(s));
}
bool IsExtlang(std::string_view s) { return s.size() == 3 && All(s, IsAlpha); }
bool IsScript(std::string_view s) { return s.size() == 4 && All(s, IsAlpha); }
bool IsRegion(std::string_view s) { return (s.size() == 2 && All(s, IsAlpha)) || (s.size() == 3 && All(s, IsDigit)); }
bool IsVariant(std::string_view s) {
  return All(s, IsAlnum) && ((s.size() >= 5 && s.size() <= 8) || (s.size() == 4 && IsDigit(s[0])));
}

// "x" and at least one subtag of 1 to 8 letters or digits. Alone it is no
// language anyone knows.
bool IsPrivateUse(const std::vector<std::string_view>& subtags, std::size_t from) {
  if (from + 1 >= subtags.size() || ToLowerAscii(subtags[from][0]) != 'x' || subtags[from].size() != 1) return false;
  for (std::size_t i = from + 1; i < subtags.size(); ++i)
    if (subtags[i].size() > 8 || !All(subtags[i], IsAlnum)) return false;
  return true;
}

// An hreflang link's href: an absolute http or https URL, nothing before
// its scheme.
bool IsWebUrl(std::string_view url) {
  const std::string start = ToLowerAscii(url.substr(0, 6));
  return (start.starts_with("http:") || start.starts_with("https:")) && IsAbsoluteUrl(url);
}

}  // namespace

bool ForbidsIndexing(std::string_view content) {
  for (const std::string_view directive : Split(content, ", \t\n\f\r")) {
    const std::string lower = ToLowerAscii(directive);
    if (lower == "noindex" || lower == "none") return true;
  }
  return false;
}

bool IsLanguageTag(std::string_view tag) {
  if (tag.empty() || tag.front() == '-' || tag.back() == '-' || tag.find("--") != std::string_view::npos) return false;
  if (std::find(std::begin(kIrregularTags), std::end(kIrregularTags), ToLowerAscii(tag)) != std::end(kIrregularTags))
    return true;
  const auto subtags = Split(tag, "-");
  std::size_t i = 0;
  if (!IsLanguage(subtags[i++])) return false;
  for (int n = 0; n < 3 && i < subtags.size() && IsExtlang(subtags[i]); ++n) ++i;
  if (i < subtags.size() && IsScript(subtags[i])) ++i;
  if (i < subtags.size() && IsRegion(subtags[i])) ++i;
  while (i < subtags.size() && IsVariant(subtags[i])) ++i;
  // Extensions: a singleton other than "x", then subtags of 2 to 8.
  while (i < subtags.size() && subtags[i].size() == 1 && IsAlnum(subtags[i][0]) && ToLowerAscii(subtags[i][0]) != 'x') {
    std::size_t j = i + 1;
    while (j < subtags.size() && subtags[j].size() >= 2 && subtags[j].size() <= 8 && All(subtags[j], IsAlnum)) ++j;
    if (j == i + 1) return false;
    i = j;
  }
  return i == subtags.size() || IsPrivateUse(subtags, i);
}

bool IsAbsoluteUrl(std::string_view url) {
  UrlParts parts;
  if (!SplitScheme(url, parts)) return false;
  if (!IsSpecialScheme(parts.Scheme)) return true;
  return ValidHostAndPort(Authority(parts.Rest).first);
}

std::string ComparableUrl(std::string_view url) {
  // Browsers drop tabs and line breaks anywhere in a URL.
  std::string kept;
  for (const char c : url)
    if (c != '\t' && c != '\n' && c != '\r') kept += c;
  UrlParts parts;
  if (!SplitScheme(kept, parts)) return kept;
  if (!IsSpecialScheme(parts.Scheme)) return parts.Scheme + ":" + std::string(parts.Rest);
  const auto [authority, rest] = Authority(parts.Rest);
  const std::size_t pathEnd = std::min(rest.find_first_of("?#"), rest.size());
  const std::size_t queryEnd = std::min(rest.find('#'), rest.size());
  return parts.Scheme + "://" + ComparableAuthority(authority, parts.Scheme) + ComparablePath(rest.substr(0, pathEnd)) +
         PercentEncoded(rest.substr(pathEnd, queryEnd - pathEnd), "\"<>'") +
         PercentEncoded(rest.substr(queryEnd), "\"<>`");
}

bool PointsAtRoot(std::string_view url) {
  UrlParts parts;
  if (!SplitScheme(url, parts) || !IsSpecialScheme(parts.Scheme)) return false;
  const std::string_view rest = Authority(parts.Rest).second;
  const std::size_t pathEnd = rest.find_first_of("?#");
  const std::string_view path = rest.substr(0, pathEnd);
  return path.empty() || path == "/" || path == "\\";
}

bool SetsViewport(std::string_view content) {
  for (const std::string_view property : Split(content, ",;")) {
    const std::string_view key = TrimHtmlSpace(property.substr(0, property.find('=')));
    const std::string lower = ToLowerAscii(key);
    if (lower == "width" || lower == "initial-scale") return true;
  }
  return false;
}

HeadDeclarations DeclarationsOf(const PageOutline& outline) {
  HeadDeclarations found;
  found.ViewportFound = false;
  std::set<std::string> canonicals;
  for (const auto& element : outline.Head) {
    if (element.Tag == "meta") {
      const std::string name = LowerTrimmed(FindAttribute(element, "name"));
      const std::string* content = FindAttribute(element, "content");
      if (!content) continue;
      if ((name == "robots" || name == "googlebot") && ForbidsIndexing(*content)) found.Noindex = true;
      if (name == "viewport" && SetsViewport(*content)) found.ViewportFound = true;
    } else if (element.Tag == "link") {
      const std::string rel = LowerTrimmed(FindAttribute(element, "rel"));
      const std::string* href = FindAttribute(element, "href");
      if (rel == "canonical" && href && !href->empty()) {
        if (IsAbsoluteUrl(*href)) canonicals.insert(ComparableUrl(TrimControls(*href)));
        else found.CanonicalInvalid = true;
      }
      const std::string* hreflang = FindAttribute(element, "hreflang");
      if (rel == "alternate" && hreflang && !hreflang->empty()) {
        const std::string language = LowerTrimmed(hreflang);
        if ((language != "x-default" && !IsLanguageTag(language)) || !href || !IsWebUrl(*href))
          found.HreflangInvalid = true;
      }
    }
  }
  if (canonicals.size() > 1) found.CanonicalInvalid = true;
  if (canonicals.size() == 1) found.CanonicalAtRoot = PointsAtRoot(*canonicals.begin());
  found.LanguageValid = outline.HtmlLang && IsLanguageTag(TrimHtmlSpace(*outline.HtmlLang));
  return found;
}

std::string DecodeCharacterReferences(std::string_view text) {
  static constexpr std::pair<std::string_view, char32_t> kNamed[] = {
      {"amp", U'&'},     {"lt", U'<'},     {"gt", U'>'},      {"quot", U'"'},    {"apos", U'\''},    {"nbsp", 0xA0},
      {"copy", 0xA9},    {"reg", 0xAE},    {"trade", 0x2122}, {"euro", 0x20AC},  {"hellip", 0x2026}, {"mdash", 0x2014},
      {"ndash", 0x2013}, {"laquo", 0xAB},  {"raquo", 0xBB},   {"lsquo", 0x2018}, {"rsquo", 0x2019},  {"ldquo", 0x201C},
      {"rdquo", 0x201D}, {"middot", 0xB7}, {"bull", 0x2022},  {"deg", 0xB0},     {"times", 0xD7},    {"shy", 0xAD},
  };
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    // A reference is short: look no further for its ";", whatever follows.
    const std::size_t near = text[i] == '&' ? text.substr(i, 11).find(';') : std::string_view::npos;
    const std::size_t semicolon = near == std::string_view::npos ? near : i + near;
    if (semicolon == std::string_view::npos) {
      out += text[i++];
      continue;
    }
    const std::string_view name = text.substr(i + 1, semicolon - i - 1);
    std::optional<char32_t> ch;
    if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      if (!digits.empty() &&
          digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") == std::string_view::npos) {
        const unsigned long code = std::stoul(std::string(digits), nullptr, hex ? 16 : 10);
        ch = code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? 0xFFFD : char32_t(code);
      }
    } else {
      for (const auto& [entity, value] : kNamed)
        if (entity == name) ch = value;
    }
    if (!ch) {
      out += text[i++];
      continue;
    }
    out += Utf8FromUtf32(std::u32string(1, *ch));
    i = semicolon + 1;
  }
  return out;
}

}  // namespace verdo
