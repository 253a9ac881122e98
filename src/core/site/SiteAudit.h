// The site audit: for each page its title, description and keywords, and
// the problems a site crawler reports, then a summary over the whole run.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/site/PageOutline.h"

namespace verdo {

inline constexpr std::size_t kTitleLimit = 60;         // characters
inline constexpr std::size_t kDescriptionLimit = 160;  // characters

// What the audit learns from one page.
struct PageFacts {
  // As the page holds them, decoded to UTF-8; nothing when the head has none.
  std::optional<std::string> Title;
  std::optional<std::string> Description;  // the first description meta's content
  std::optional<std::string> Keywords;     // the first keywords meta's content
  bool HeadEndFound = true;                // Export finds the line that closes the head
  bool EncodingMismatch = false;           // a declaration the bytes contradict
};

// Whether the bytes contradict the page's declared encoding: a byte-order
// mark of another encoding than the one declared, UTF-8 declared over bytes
// that aren't valid UTF-8, or another encoding declared over bytes that are
// valid UTF-8 and not all ASCII (a UTF-8 file labelled as something else).
// Nothing declared contradicts nothing.
bool EncodingContradicted(std::optional<std::string_view> byteOrderMark, std::optional<std::string_view> declared,
                          bool validUtf8, bool sawNonAscii);

// The title, description and keywords of a head (decoded UTF-8 texts).
PageFacts FactsFromOutline(const PageOutline& outline);

struct PageAudit {
  std::string Page;
  // White space stripped from both ends and runs of it made one blank, as
  // browsers and search engines show them.
  std::optional<std::string> Title;
  std::optional<std::string> Description;
  std::size_t TitleLength = 0;        // in characters
  std::size_t DescriptionLength = 0;  // in characters
  std::vector<std::string> Keywords;  // split at commas, trimmed, empty ones left out
  bool HeadEndFound = true;
  bool EncodingMismatch = false;
  bool DuplicateTitle = false;
  bool DuplicateDescription = false;
};

PageAudit AuditPage(std::string page, const PageFacts& facts);

// Marks the pages whose title or description is the same text as another
// page's (empty ones aside).
void MarkDuplicates(std::vector<PageAudit>& pages);

// The page's problem codes, in a fixed order: no-title, empty-title,
// title-too-long, no-description, description-too-long, duplicate-title,
// duplicate-description, no-head-end, encoding-mismatch.
std::vector<std::string_view> Problems(const PageAudit& page);

// Characters of UTF-8 text (each invalid byte counts as one).
std::size_t CharacterCount(std::string_view utf8);

// "PAGE: title 12, description 45, keywords 3" and, when it has problems,
// ": " and their codes joined by ", "; a newline at the end. An absent
// title or description shows as "-". The page's name is quoted as QuoteName
// quotes it: one with a newline can't forge a line of the report.
std::string FormatAuditLine(const PageAudit& page);

// "N pages, M with problems" and, when there are some, how many pages have
// each: " (no-title 1, duplicate-title 2)"; a newline at the end.
std::string FormatAuditSummary(const std::vector<PageAudit>& pages);

// A JSON array of one object a page: page, title, title_length,
// description, description_length, keywords (a list), problems (a list of
// codes). An absent title or description is null, with length 0. Bytes of
// a page's name that aren't UTF-8 come out as U+FFFD.
std::string FormatAuditJson(const std::vector<PageAudit>& pages);
// The array's pieces, for printing as it goes: its opening, one page's
// object (the `index`th, which tells the separator before it), its closing.
std::string FormatAuditJsonStart();
std::string FormatAuditJsonEntry(const PageAudit& page, std::size_t index);
std::string FormatAuditJsonEnd(std::size_t pages);

}  // namespace verdo
