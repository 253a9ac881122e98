// The site audit: for each page its title, description and keywords, and
// the problems a site crawler reports, then a summary over the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/site/HeadRules.h"
#include "core/site/PageOutline.h"

namespace verdo {

inline constexpr std::size_t kTitleLimit = 60;             // characters
inline constexpr std::size_t kDescriptionLimit = 160;      // characters
inline constexpr std::size_t kTitleShortLimit = 30;        // characters
inline constexpr std::size_t kDescriptionShortLimit = 70;  // characters
// Search results cut titles wider than 580 px set in Arial at 20 px, and
// descriptions wider than 920 px at 14 px.
inline constexpr double kTitleWidthLimit = 580;
inline constexpr double kDescriptionWidthLimit = 920;
inline constexpr double kTitleFontSize = 20;
inline constexpr double kDescriptionFontSize = 14;
// The report keeps at most this many bytes of a page's title, of its
// description and of its keywords, so that memory stays flat over a site.
inline constexpr std::size_t kReportTextLimit = 4096;

// What the audit learns from one page.
struct PageFacts {
  // As the page holds them, decoded to UTF-8; nothing when the head has none.
  std::optional<std::string> Title;
  std::optional<std::string> Description;  // the first description meta's content
  std::optional<std::string> Keywords;     // the first keywords meta's content
  bool HeadEndFound = true;                // Export finds the line that closes the head
  bool EncodingMismatch = false;           // a declaration the bytes contradict
  std::size_t TitleCount = 0;              // title elements in the head
  std::size_t DescriptionCount = 0;        // description metas in the head
  HeadDeclarations Declarations;           // robots, canonical, hreflang, viewport, lang
  bool CharsetEarly = true;                // a byte-order mark, or a declaration within the first 1024 bytes
  bool SiteRoot = false;                   // the page is its site's root (index.htm at the top)
  bool HeadCut = false;                    // the parser stopped at its bound inside the head
};

// Whether the bytes contradict the page's declared encoding: a byte-order
// mark of another encoding than the one declared, UTF-8 declared over bytes
// that aren't valid UTF-8, or another encoding declared over bytes that are
// valid UTF-8 and not all ASCII (a UTF-8 file labelled as something else).
// Nothing declared contradicts nothing.
bool EncodingContradicted(std::optional<std::string_view> byteOrderMark, std::optional<std::string_view> declared,
                          bool validUtf8, bool sawNonAscii);

// The title, description and keywords of a head (decoded UTF-8 texts),
// how many titles and descriptions it has, and its declarations.
PageFacts FactsFromOutline(const PageOutline& outline);

// How pages are judged and what of them is kept.
struct AuditSettings {
  double TitleWidthLimit = kTitleWidthLimit;  // pixels
  double DescriptionWidthLimit = kDescriptionWidthLimit;
  // The width in pixels of UTF-8 text set at a size in pixels, or nothing
  // when it can't be measured (then no width is judged).
  std::function<std::optional<double>(std::string_view text, double pixelSize)> Measure;
  // Bytes of the title, the description and the keywords kept for the
  // report (cut at a character's start); 0 keeps only whether they are there.
  std::size_t TextLimit = kReportTextLimit;
};

struct PageAudit {
  std::string Page;
  // White space stripped from both ends and runs of it made one blank, as
  // browsers and search engines show them.
  std::optional<std::string> Title;
  std::optional<std::string> Description;
  std::size_t TitleLength = 0;        // in characters
  std::size_t DescriptionLength = 0;  // in characters
  std::vector<std::string> Keywords;  // split at commas, trimmed, empty ones left out
  std::size_t KeywordCount = 0;       // all of them, however many `Keywords` keeps
  bool HeadEndFound = true;
  bool EncodingMismatch = false;
  bool DuplicateTitle = false;
  bool DuplicateDescription = false;
  // Hashes of the whole title and description texts, for finding duplicates.
  std::uint64_t TitleKey = 0;
  std::uint64_t DescriptionKey = 0;
  std::optional<double> TitleWidth;  // pixels, when measured
  std::optional<double> DescriptionWidth;
  double TitleWidthLimit = kTitleWidthLimit;
  double DescriptionWidthLimit = kDescriptionWidthLimit;
  std::size_t TitleCount = 0;
  std::size_t DescriptionCount = 0;
  HeadDeclarations Declarations;
  bool CharsetEarly = true;
  bool SiteRoot = false;
  bool HeadCut = false;
};

PageAudit AuditPage(std::string page, const PageFacts& facts, const AuditSettings& settings = {});

// Marks the pages whose title or description is the same text as another
// page's (empty ones aside).
void MarkDuplicates(std::vector<PageAudit>& pages);

// The page's problem codes, in a fixed order: no-title, empty-title,
// title-too-long, no-description, description-too-long, duplicate-title,
// duplicate-description, no-head-end, encoding-mismatch, multiple-titles,
// multiple-descriptions, title-too-short, description-too-short,
// title-too-wide, description-too-wide, noindex, canonical-invalid,
// hreflang-invalid, no-viewport, no-lang, charset-late, head-too-long.
std::vector<std::string_view> Problems(const PageAudit& page);

// White space stripped from both ends and runs of it made one blank, as
// browsers and search engines show a title or description.
std::string CollapsedText(std::string_view text);

// What a box of the window tells about its text as search results show
// it: "Title: 62 characters, 612 px of 580 px: search results cut it", the
// last part only when the text is too wide, the width only when measured.
std::string MeasureNote(std::string_view label, std::size_t characters, std::optional<double> width, double limit);

// The first bytes of UTF-8 text, at most `limit`, cut before a character
// that doesn't fit whole.
std::string_view Utf8Prefix(std::string_view text, std::size_t limit);

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
// title_width, description, description_length, description_width,
// keywords (a list), problems (a list of codes). An absent title or
// description is null, with length 0 and width null; widths are whole
// pixels. Bytes of a page's name that aren't UTF-8 come out as U+FFFD.
std::string FormatAuditJson(const std::vector<PageAudit>& pages);
// The array's pieces, for printing as it goes: its opening, one page's
// object (the `index`th, which tells the separator before it), its closing.
std::string FormatAuditJsonStart();
std::string FormatAuditJsonEntry(const PageAudit& page, std::size_t index);
std::string FormatAuditJsonEnd(std::size_t pages);

}  // namespace verdo
