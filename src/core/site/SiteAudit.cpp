#include "core/site/SiteAudit.h"

#include <cstdio>
#include <iterator>
#include <unordered_map>

#include "core/text/Encoding.h"
#include "core/text/Escape.h"
#include "core/text/Text.h"

namespace verdo {

namespace {

// In the order Problems() lists them.
constexpr std::string_view kProblemCodes[] = {
    "no-title",        "empty-title",           "title-too-long", "no-description",   "description-too-long",
    "duplicate-title", "duplicate-description", "no-head-end",    "encoding-mismatch"};

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

std::vector<std::string> SplitKeywords(std::string_view content) {
  std::vector<std::string> keywords;
  for (std::size_t start = 0; start <= content.size();) {
    std::size_t comma = content.find(',', start);
    if (comma == std::string_view::npos) comma = content.size();
    const std::string keyword = Collapsed(content.substr(start, comma - start));
    if (!keyword.empty()) keywords.push_back(keyword);
    start = comma + 1;
  }
  return keywords;
}

void MarkRepeated(std::vector<PageAudit>& pages, std::optional<std::string> PageAudit::*text, bool PageAudit::*flag) {
  std::unordered_map<std::string_view, std::size_t> seen;
  for (const auto& page : pages)
    if ((page.*text) && !(page.*text)->empty()) ++seen[*(page.*text)];
  for (auto& page : pages)
    if ((page.*text) && !(page.*text)->empty() && seen[*(page.*text)] > 1) page.*flag = true;
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
    if (element.Tag == "title" && !facts.Title) facts.Title = element.Text;
    TakeMeta(element, "description", facts.Description);
    TakeMeta(element, "keywords", facts.Keywords);
  }
  return facts;
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

PageAudit AuditPage(std::string page, const PageFacts& facts) {
  PageAudit audit;
  audit.Page = std::move(page);
  if (facts.Title) {
    audit.Title = Collapsed(*facts.Title);
    audit.TitleLength = CharacterCount(*audit.Title);
  }
  if (facts.Description) {
    audit.Description = Collapsed(*facts.Description);
    audit.DescriptionLength = CharacterCount(*audit.Description);
  }
  if (facts.Keywords) audit.Keywords = SplitKeywords(*facts.Keywords);
  audit.HeadEndFound = facts.HeadEndFound;
  audit.EncodingMismatch = facts.EncodingMismatch;
  return audit;
}

void MarkDuplicates(std::vector<PageAudit>& pages) {
  MarkRepeated(pages, &PageAudit::Title, &PageAudit::DuplicateTitle);
  MarkRepeated(pages, &PageAudit::Description, &PageAudit::DuplicateDescription);
}

std::vector<std::string_view> Problems(const PageAudit& page) {
  std::vector<std::string_view> problems;
  if (!page.Title) problems.push_back("no-title");
  else if (page.Title->empty()) problems.push_back("empty-title");
  else if (page.TitleLength > kTitleLimit) problems.push_back("title-too-long");
  // An empty description is as good as none: there is nothing to show.
  if (!page.Description || page.Description->empty()) problems.push_back("no-description");
  else if (page.DescriptionLength > kDescriptionLimit) problems.push_back("description-too-long");
  if (page.DuplicateTitle) problems.push_back("duplicate-title");
  if (page.DuplicateDescription) problems.push_back("duplicate-description");
  if (!page.HeadEndFound) problems.push_back("no-head-end");
  if (page.EncodingMismatch) problems.push_back("encoding-mismatch");
  return problems;
}

std::string FormatAuditLine(const PageAudit& page) {
  std::string line = QuoteName(page.Page) + ": title " + LengthText(page.Title, page.TitleLength) + ", description " +
                     LengthText(page.Description, page.DescriptionLength) + ", keywords " +
                     std::to_string(page.Keywords.size());
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
  out += ", \"title_length\": " + std::to_string(page.TitleLength) + ", \"description\": ";
  AppendJsonText(out, page.Description);
  out += ", \"description_length\": " + std::to_string(page.DescriptionLength) + ", \"keywords\": ";
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
