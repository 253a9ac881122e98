#include "core/pages/PageImport.h"

#include <array>
#include <string>

#include "core/text/Text.h"

namespace verdo {
namespace {

enum class Tag { Description, Keywords, Expires, Copyright, Author, Revisit, Robots, Distribution };

struct Pattern {
  std::string_view Key;  // lower case, up to and including the second "="
  Tag Applies;
};

// Checked in this order; the key part must equal one of them exactly.
constexpr auto kPatterns = std::to_array<Pattern>({
    {"<meta name=description content=", Tag::Description},
    {"<meta name=\"description\" content=", Tag::Description},
    {"<meta name=\"keywords\" content=", Tag::Keywords},
    {"<meta name=\"key words\" content=", Tag::Keywords},
    {"<meta name=key words content=", Tag::Keywords},
    {"<meta name=keywords content=", Tag::Keywords},
    {"<meta http-equiv=\"expires\" content=", Tag::Expires},
    {"<meta http-equiv=expires content=", Tag::Expires},
    {"<meta name=\"copyright\" content=", Tag::Copyright},
    {"<meta name=copyright content=", Tag::Copyright},
    {"<meta name=\"author\" content=", Tag::Author},
    {"<meta name=author content=", Tag::Author},
    {"<meta name=\"revisit-after\" content=", Tag::Revisit},
    {"<meta name=revisit-after content=", Tag::Revisit},
    {"<meta name=\"robots\" content=", Tag::Robots},
    {"<meta name=robots content=", Tag::Robots},
    {"<meta name=\"distribution\" content=", Tag::Distribution},
    {"<meta name=distribution content=", Tag::Distribution},
});

constexpr std::size_t kKeywordFields = 16;
constexpr std::size_t kRobotsItemsExamined = 4;

// Compares the key part, lower-cased, with a lower-case pattern.
bool KeyEquals(std::string_view key, std::string_view pattern) {
  if (key.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (ToLowerAscii(key[i]) != pattern[i]) return false;
  return true;
}

// The value in the form's Windows-1252 as a browser shows it: a NUL as
// U+FFFD (which the code page holds only as its reference), a CR as a blank
// (lines end at LF, so a CR inside a value stands alone).
std::string ToForm(std::string_view value, const PageValueDecoder& toForm) {
  const std::string decoded = toForm ? toForm(value) : std::string(value);
  std::string shown;
  shown.reserve(decoded.size());
  for (const char c : decoded) {
    if (c == '\0') shown += "&#65533;";
    else if (c == '\r') shown += ' ';
    else shown += c;
  }
  return shown;
}

// Everything after the second "=", double quotes and ">" dropped. A value
// that opens with a quote, double or single, ends at its closing quote,
// where a browser ends it: what follows is other markup. Inside single
// quotes a double quote is the value's own and stays.
std::string ValuePart(std::string_view rest) {
  char quote = 0;
  if (rest.starts_with('"') || rest.starts_with('\'')) {
    const std::size_t close = rest.find(rest[0], 1);
    if (close != std::string_view::npos) {
      quote = rest[0];
      rest = rest.substr(1, close - 1);
    }
  }
  std::string value;
  value.reserve(rest.size());
  for (char c : rest)
    if ((c != '"' || quote == '\'') && c != '>') value += c;
  return value;
}

// Where the title's text ends, at or after `from`: the first "</title" in
// any case that a browser takes for the end tag, the name followed by white
// space, "/" or ">"; npos when the line has none.
std::size_t TitleEnd(std::string_view line, std::size_t from) {
  constexpr std::string_view kEndTag = "</title";
  for (std::size_t at = line.find("</", from); at != std::string_view::npos; at = line.find("</", at + 2)) {
    const std::size_t after = at + kEndTag.size();
    if (after < line.size() && std::string_view(" \t\n\f\r/>").find(line[after]) != std::string_view::npos &&
        KeyEquals(line.substr(at, kEndTag.size()), kEndTag))
      return at;
  }
  return std::string_view::npos;
}

// Items end at ","; an item that collected nothing uses no field; the others
// are trimmed and stored in Keyword1, Keyword2, ... until sixteen are stored.
void ApplyKeywords(std::string_view value, MetaTagForm& form, const std::function<void()>& shown,
                   const PageValueDecoder& toForm) {
  std::size_t stored = 0;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(',', start);
    if (end == std::string_view::npos) end = value.size();
    const std::string_view item = value.substr(start, end - start);
    if (!item.empty() && stored < kKeywordFields) {
      form.Keywords[stored++] = ToForm(TrimBoth(item), toForm);
      if (shown) shown();
    }
    if (stored == kKeywordFields) return;
    start = end + 1;
  }
}

void CheckRobotsToken(std::string_view item, MetaTagForm& form) {
  const std::string_view token = TrimBoth(item);
  if (token == "noindex") form.NoIndex = 1;
  else if (token == "noimageindex") form.NoImageIndex = 1;
  else if (token == "indexall") form.IndexAll = 1;
  else if (token == "nocache") form.NoCache = 1;
}

// The first four comma-ended items are examined one by one; after that the
// commas are dropped and the rest runs together into one final item.
void ApplyRobots(std::string_view value, MetaTagForm& form, const std::function<void()>& shown) {
  const std::string lower = ToLowerAscii(value);
  std::string item;
  std::size_t examined = 0;
  for (char c : lower) {
    if (c != ',') {
      item += c;
    } else if (!item.empty() && examined < kRobotsItemsExamined) {
      ++examined;
      CheckRobotsToken(item, form);
      item.clear();
      if (shown) shown();
    }
  }
  CheckRobotsToken(item, form);
}

void Apply(Tag tag, std::string_view rest, MetaTagForm& form, const std::function<void()>& shown,
           const PageValueDecoder& toForm) {
  const std::string value = ValuePart(rest);
  switch (tag) {
    case Tag::Description: form.Description = ToForm(value, toForm); break;
    case Tag::Keywords: ApplyKeywords(value, form, shown, toForm); break;
    case Tag::Expires: form.Expires = ToForm(value, toForm); break;
    case Tag::Copyright: form.Copyright = ToForm(value, toForm); break;
    case Tag::Author: form.Author = ToForm(value, toForm); break;
    case Tag::Revisit: form.Revisit = 1; break;
    case Tag::Robots: ApplyRobots(value, form, shown); break;
    case Tag::Distribution: form.Distribution = value == "Global" ? kDistributionGlobal : kDistributionLocal; break;
  }
}

}  // namespace

bool EndsHeadSection(std::string_view line) {
  const std::string_view trimmed = TrimBoth(line);
  return trimmed.starts_with("</HEAD>") || trimmed.starts_with("</head>");
}

bool ApplyPageFileLine(std::string_view line, bool whole, MetaTagForm& form, const std::function<void()>& itemShown,
                       const PageValueDecoder& toForm) {
  return whole ? ApplyPageLine(line, form, itemShown, toForm) : EndsHeadSection(line);
}

bool ApplyPageLine(std::string_view line, MetaTagForm& form, const std::function<void()>& itemShown,
                   const PageValueDecoder& toForm) {
  const std::string_view trimmed = TrimBoth(line);

  // The key part runs up to and including the second "=". "</HEAD>" holds no
  // "=", so the key part starts with it exactly when the trimmed line does.
  if (EndsHeadSection(trimmed)) return true;
  std::size_t keyEnd = trimmed.size();
  const std::size_t first = trimmed.find('=');
  if (first != std::string_view::npos) {
    const std::size_t second = trimmed.find('=', first + 1);
    if (second != std::string_view::npos) keyEnd = second + 1;
  }
  const std::string_view key = trimmed.substr(0, keyEnd);
  const std::string_view rest = trimmed.substr(keyEnd);

  // "<TITLE>" + title + "</TITLE>". The title's text ends at its end tag,
  // as a browser ends it; on a line without one the last 8 characters of
  // the key part are cut whatever they are. An empty title leaves the
  // form's as it was.
  if (key.starts_with("<TITLE>") || key.starts_with("<title>")) {
    if (const std::size_t end = TitleEnd(trimmed, 7); end != std::string_view::npos) {
      if (end > 7) form.Title = ToForm(trimmed.substr(7, end - 7), toForm);
    } else if (key.size() > 15) {
      form.Title = ToForm(key.substr(7, key.size() - 15), toForm);
    }
  }

  if (key.empty() || key.front() != '<' || key.back() != '=') return false;
  for (const Pattern& pattern : kPatterns) {
    if (KeyEquals(key, pattern.Key)) {
      Apply(pattern.Applies, rest, form, itemShown, toForm);
      break;
    }
  }
  return false;
}

}  // namespace verdo
