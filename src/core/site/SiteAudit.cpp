#include "core/site/SiteAudit.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <unordered_map>

#include "core/text/Encoding.h"
#include "core/text/Escape.h"
#include "core/text/Text.h"

namespace verdo {

namespace {

// In the order Problems() lists them.
constexpr std::string_view kProblemCodes[] = {"no-title",
                                              "empty-title",
                                              "title-too-long",
                                              "no-description",
                                              "description-too-long",
                                              "duplicate-title",
                                              "duplicate-description",
                                              "no-head-end",
                                              "encoding-mismatch",
                                              "multiple-titles",
                                              "multiple-descriptions",
                                              "title-too-short",
                                              "description-too-short",
                                              "title-too-wide",
                                              "description-too-wide",
                                              "noindex",
                                              "canonical-invalid",
                                              "hreflang-invalid",
                                              "no-viewport",
                                              "no-lang",
                                              "charset-late",
                                              "head-too-long"};

bool NameIs(const HeadElement& element, std::string_view name) {
  const std::string* value = FindAttribute(element, "name");
  return value && ToLowerAscii(TrimHtmlSpace(*value)) == name;
}

// The first meta of that name: its content (empty when it has none).
void TakeMeta(const HeadElement& element, std::string_view name, std::optional<std::string>& into) {
  if (into || element.Tag != "meta" || !NameIs(element, name)) return;
  const std::string* content = FindAttribute(element, "content");
  into = content ? *content : std::string();
}

std::string Collapsed(std::string_view text) {
  std::string out;
  bool space = false;
  for (const char c : TrimHtmlSpace(text)) {
    if (IsHtmlSpace(c)) {
      space = true;
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

// Counts the keywords of `content`; keeps them in `kept` while they come to
// at most `limit` bytes.
std::size_t SplitKeywords(std::string_view content, std::size_t limit, std::vector<std::string>& kept) {
  std::size_t count = 0;
  std::size_t bytes = 0;
  for (std::size_t start = 0; start <= content.size();) {
    std::size_t comma = content.find(',', start);
    if (comma == std::string_view::npos) comma = content.size();
    std::string keyword = Collapsed(content.substr(start, comma - start));
    if (!keyword.empty()) {
      ++count;
      bytes += keyword.size();
      if (bytes <= limit && kept.size() + 1 == count) kept.push_back(std::move(keyword));
    }
    start = comma + 1;
  }
  return count;
}

// FNV-1a, 64 bits: the same text gives the same key on every run; two
// texts of a site share one by chance about once in 10^11 sites.
std::uint64_t KeyOf(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  return hash;
}

// Pages with an empty text or none have key 0 and are never repeats.
void MarkRepeated(std::vector<PageAudit>& pages, std::uint64_t PageAudit::*key, bool PageAudit::*flag) {
  std::unordered_map<std::uint64_t, std::size_t> seen;
  for (const auto& page : pages)
    if (page.*key) ++seen[page.*key];
  for (auto& page : pages)
    if (page.*key && seen[page.*key] > 1) page.*flag = true;
}

std::optional<double> Measured(const AuditSettings& settings, const std::optional<std::string>& text, double size) {
  if (!text || text->empty() || !settings.Measure) return std::nullopt;
  return settings.Measure(*text, size);
}

void AppendJsonWidth(std::string& out, const std::optional<double>& width) {
  out += width ? std::to_string(std::lround(*width)) : "null";
}

// DEL and the C1 controls (U+0080 to U+009F, C2 80 to C2 9F) are escaped
// too, though JSON lets them stand: the same text, and none that a terminal
// acts on.
void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    const bool c1 = byte == 0xC2 && next >= 0x80 && next <= 0x9F;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F || c1) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c1 ? next : byte);
      out += escaped;
      if (c1) ++i;
    } else {
      out += c;
    }
  }
  out += '"';
}

void AppendJsonText(std::string& out, const std::optional<std::string>& text) {
  if (text) AppendJsonString(out, *text);
  else out += "null";
}

template <typename List>
void AppendJsonList(std::string& out, const List& items) {
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ", ";
    AppendJsonString(out, items[i]);
  }
  out += ']';
}

std::string LengthText(const std::optional<std::string>& text, std::size_t length) {
  return text ? std::to_string(length) : "-";
}

}  // namespace

bool EncodingContradicted(std::optional<std::string_view> byteOrderMark, std::optional<std::string_view> declared,
                          bool validUtf8, bool sawNonAscii) {
  if (!declared) return false;
  if (byteOrderMark) return *byteOrderMark != *declared;
  if (*declared == kUtf8) return !validUtf8;
  return validUtf8 && sawNonAscii;
}

PageFacts FactsFromOutline(const PageOutline& outline) {
  PageFacts facts;
  for (const auto& element : outline.Head) {
    if (element.Tag == "title") {
      if (!facts.Title) facts.Title = element.Text;
      ++facts.TitleCount;
    }
    if (element.Tag == "meta" && NameIs(element, "description")) ++facts.DescriptionCount;
    TakeMeta(element, "description", facts.Description);
    TakeMeta(element, "keywords", facts.Keywords);
  }
  facts.Declarations = DeclarationsOf(outline);
  facts.HeadCut = outline.HeadCut;
  return facts;
}

std::string CollapsedText(std::string_view text) { return Collapsed(text); }

std::string MeasureNote(std::string_view label, std::size_t characters, std::optional<double> width, double limit) {
  std::string note =
      std::string(label) + ": " + std::to_string(characters) + (characters == 1 ? " character" : " characters");
  if (!width) return note;
  note += ", " + std::to_string(std::lround(*width)) + " px of " + std::to_string(std::lround(limit)) + " px";
  if (*width > limit) note += ": search results cut it";
  return note;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

PageAudit AuditPage(std::string page, const PageFacts& facts, const AuditSettings& settings) {
  PageAudit audit;
  audit.Page = std::move(page);
  if (facts.Title) {
    audit.Title = Collapsed(*facts.Title);
    audit.TitleLength = CharacterCount(*audit.Title);
    if (!audit.Title->empty()) audit.TitleKey = KeyOf(*audit.Title);
  }
  if (facts.Description) {
    audit.Description = Collapsed(*facts.Description);
    audit.DescriptionLength = CharacterCount(*audit.Description);
    if (!audit.Description->empty()) audit.DescriptionKey = KeyOf(*audit.Description);
  }
  audit.TitleWidth = Measured(settings, audit.Title, kTitleFontSize);
  audit.DescriptionWidth = Measured(settings, audit.Description, kDescriptionFontSize);
  if (facts.Keywords) audit.KeywordCount = SplitKeywords(*facts.Keywords, settings.TextLimit, audit.Keywords);
  audit.HeadEndFound = facts.HeadEndFound;
  audit.EncodingMismatch = facts.EncodingMismatch;
  audit.TitleWidthLimit = settings.TitleWidthLimit;
  audit.DescriptionWidthLimit = settings.DescriptionWidthLimit;
  audit.TitleCount = facts.TitleCount;
  audit.DescriptionCount = facts.DescriptionCount;
  audit.Declarations = facts.Declarations;
  audit.CharsetEarly = facts.CharsetEarly;
  audit.SiteRoot = facts.SiteRoot;
  audit.HeadCut = facts.HeadCut;

  // Only what the report prints is kept, and only so much of it.
  for (auto* text : {&audit.Title, &audit.Description})
    if (*text) **text = std::string(Utf8Prefix(**text, settings.TextLimit));
  return audit;
}

void MarkDuplicates(std::vector<PageAudit>& pages) {
  MarkRepeated(pages, &PageAudit::TitleKey, &PageAudit::DuplicateTitle);
  MarkRepeated(pages, &PageAudit::DescriptionKey, &PageAudit::DuplicateDescription);
}

std::vector<std::string_view> Problems(const PageAudit& page) {
  std::vector<std::string_view> problems;
  const bool hasTitle = page.Title && page.TitleLength > 0;
  // An empty description is as good as none: there is nothing to show.
  const bool hasDescription = page.Description && page.DescriptionLength > 0;
  if (!page.Title) problems.push_back("no-title");
  else if (!hasTitle) problems.push_back("empty-title");
  else if (page.TitleLength > kTitleLimit) problems.push_back("title-too-long");
  if (!hasDescription) problems.push_back("no-description");
  else if (page.DescriptionLength > kDescriptionLimit) problems.push_back("description-too-long");
  if (page.DuplicateTitle) problems.push_back("duplicate-title");
  if (page.DuplicateDescription) problems.push_back("duplicate-description");
  if (!page.HeadEndFound) problems.push_back("no-head-end");
  if (page.EncodingMismatch) problems.push_back("encoding-mismatch");
  if (page.TitleCount > 1) problems.push_back("multiple-titles");
  if (page.DescriptionCount > 1) problems.push_back("multiple-descriptions");
  if (hasTitle && page.TitleLength < kTitleShortLimit) problems.push_back("title-too-short");
  if (hasDescription && page.DescriptionLength < kDescriptionShortLimit) problems.push_back("description-too-short");
  if (page.TitleWidth && *page.TitleWidth > page.TitleWidthLimit) problems.push_back("title-too-wide");
  if (page.DescriptionWidth && *page.DescriptionWidth > page.DescriptionWidthLimit)
    problems.push_back("description-too-wide");
  const HeadDeclarations& declared = page.Declarations;
  if (declared.Noindex) problems.push_back("noindex");
  // Pointing every page at the home page is a mistake; the home page itself may.
  if (declared.CanonicalInvalid || (declared.CanonicalAtRoot && !page.SiteRoot))
    problems.push_back("canonical-invalid");
  if (declared.HreflangInvalid) problems.push_back("hreflang-invalid");
  if (!declared.ViewportFound) problems.push_back("no-viewport");
  if (!declared.LanguageValid) problems.push_back("no-lang");
  if (!page.CharsetEarly) problems.push_back("charset-late");
  if (page.HeadCut) problems.push_back("head-too-long");
  return problems;
}

std::string FormatAuditLine(const PageAudit& page) {
  std::string line = QuoteName(page.Page) + ": title " + LengthText(page.Title, page.TitleLength) + ", description " +
                     LengthText(page.Description, page.DescriptionLength) + ", keywords " +
                     std::to_string(page.KeywordCount);
  const auto problems = Problems(page);
  for (std::size_t i = 0; i < problems.size(); ++i) {
    line += i == 0 ? ": " : ", ";
    line += problems[i];
  }
  return line + "\n";
}

std::string FormatAuditSummary(const std::vector<PageAudit>& pages) {
  std::size_t counts[std::size(kProblemCodes)] = {};
  std::size_t withProblems = 0;
  for (const auto& page : pages) {
    const auto problems = Problems(page);
    if (!problems.empty()) ++withProblems;
    for (const auto code : problems)
      for (std::size_t i = 0; i < std::size(kProblemCodes); ++i)
        if (kProblemCodes[i] == code) ++counts[i];
  }
  std::string summary = std::to_string(pages.size()) + (pages.size() == 1 ? " page, " : " pages, ") +
                        std::to_string(withProblems) + " with problems";
  const char* separator = " (";
  for (std::size_t i = 0; i < std::size(kProblemCodes); ++i) {
    if (counts[i] == 0) continue;
    summary += separator + std::string(kProblemCodes[i]) + " " + std::to_string(counts[i]);
    separator = ", ";
  }
  if (withProblems > 0) summary += ")";
  return summary + "\n";
}

std::string FormatAuditJsonStart() { return "["; }

std::string FormatAuditJsonEntry(const PageAudit& page, std::size_t index) {
  std::string out = index == 0 ? "\n" : ",\n";
  out += "{\"page\": ";
  AppendJsonString(out, Utf8FromUtf32(Utf32FromUtf8(page.Page)));
  out += ", \"title\": ";
  AppendJsonText(out, page.Title);
  out += ", \"title_length\": " + std::to_string(page.TitleLength) + ", \"title_width\": ";
  AppendJsonWidth(out, page.TitleWidth);
  out += ", \"description\": ";
  AppendJsonText(out, page.Description);
  out += ", \"description_length\": " + std::to_string(page.DescriptionLength) + ", \"description_width\": ";
  AppendJsonWidth(out, page.DescriptionWidth);
  out += ", \"keywords\": ";
  AppendJsonList(out, page.Keywords);
  out += ", \"problems\": ";
  AppendJsonList(out, Problems(page));
  return out + "}";
}

std::string FormatAuditJsonEnd(std::size_t pages) { return pages == 0 ? "]\n" : "\n]\n"; }

std::string FormatAuditJson(const std::vector<PageAudit>& pages) {
  std::string out = FormatAuditJsonStart();
  for (std::size_t i = 0; i < pages.size(); ++i) out += FormatAuditJsonEntry(pages[i], i);
  return out + FormatAuditJsonEnd(pages.size());
}

}  // namespace verdo
