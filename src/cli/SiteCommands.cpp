// audit: whole sites, page by page, with the head found by an HTML parser.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "cli/Cli.h"
#include "core/site/PageScan.h"
#include "core/site/SiteAudit.h"
#include "core/text/Encoding.h"
#include "core/text/Text.h"
#include "platform/Charset.h"
#include "platform/FolderWalk.h"
#include "platform/HtmlOutline.h"
#include "platform/PageFile.h"
#include "platform/TextWidth.h"

namespace verdo::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPrintPiece = 64 * 1024;

// Reads the page (standard input when there is none) into `bytes`; reports
// and returns false when it can't.
bool ReadPage(OpenedPage* page, const std::string& name, std::string& bytes) {
  const PageRead read = page ? ReadPageFile(*page, bytes) : ReadPageFile(STDIN_FILENO, bytes);
  if (read.State == PageRead::Status::Read) return true;
  ReportFailure(name, "Error Opening File",
                read.State == PageRead::Status::Missing ? "no such file or directory" : read.Reason);
  return false;
}

// The page's text for the parser when its values are to be read: UTF-8.
// Characters of other pages that the form's Windows-1252 can't hold come as
// numeric references, which the parser reads as those characters. ASCII
// bytes are ASCII in every encoding but the wide ones and ISO-2022-JP,
// whose escape sequences switch to other characters.
std::string_view TextForAudit(std::string_view bytes, const PageScan& scan, std::string& converted,
                              std::size_t& contentStart) {
  contentStart = scan.Charset.BomLength;
  const std::string_view encoding = scan.Charset.Encoding;
  if (encoding == kUtf8 || (!scan.SawNonAscii && !IsWideEncoding(encoding) && encoding != "ISO-2022-JP")) return bytes;
  converted = Utf8FromCp1252(DecodeForForm(bytes.substr(contentStart), scan.Charset.Encoding));
  contentStart = 0;
  return converted;
}

PageAudit AuditBytes(std::string path, std::string_view bytes, std::string& converted, bool siteRoot,
                     const AuditSettings& settings) {
  const PageScan scan = ScanPage(bytes);
  std::size_t contentStart = 0;
  const std::string_view text = TextForAudit(bytes, scan, converted, contentStart);
  PageFacts facts = FactsFromOutline(OutlinePage(text, contentStart));
  facts.HeadEndFound = scan.HeadEndFound;
  facts.EncodingMismatch = scan.EncodingMismatch;
  facts.CharsetEarly = scan.CharsetEarly;
  facts.SiteRoot = siteRoot;
  return AuditPage(std::move(path), facts, settings);
}

// A width limit in pixels: decimal digits, perhaps with a fraction
// ("580", "580.5"), above 0. Signs, blanks, hexadecimal and exponents are
// refused, not read as some other number.
bool ReadWidth(const Options& options, std::string_view name, double& width) {
  const std::string* value = options.Value(name);
  if (!value) return true;
  const auto digits = [](std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const std::string_view text = *value;
  const std::size_t point = text.find('.');
  if (!digits(text.substr(0, point)) || (point != std::string_view::npos && !digits(text.substr(point + 1))))
    return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
  return error == std::errc() && end == text.data() + text.size() && width > 0 && width < 1e6;
}

// A folder's name for comparing: "site", "site/" and "./site" are one.
fs::path FolderName(const fs::path& folder) {
  fs::path name = folder.lexically_normal();
  if (!name.has_filename() && name.has_parent_path()) name = name.parent_path();
  return name.empty() ? fs::path(".") : name;
}

// The home page of a site: index.htm or index.html at the top of a folder
// named, or named itself. Its canonical link may point at the site's root.
bool IsSiteRoot(const fs::path& page, const Args& words) {
  const std::string name = ToLowerAscii(page.filename().string());
  if (name != "index.htm" && name != "index.html") return false;
  const fs::path folder = FolderName(page.parent_path());
  for (const auto& word : words)
    if (page.lexically_normal() == fs::path(word).lexically_normal() || FolderName(word) == folder) return true;
  return false;
}

bool IsPageName(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;  // ".htm" alone is a hidden file's name
  const std::string extension = ToLowerAscii(std::string(name.substr(dot)));
  return extension == ".htm" || extension == ".html";
}

}  // namespace

int CmdAudit(const Args& words, const Options& options) {
  const bool json = options.Has("json");
  if (words.empty()) return UsageError("audit takes at least one page or folder");
  if (std::count(words.begin(), words.end(), "-") > 1) return UsageError("standard input (\"-\") can be read once");
  AuditSettings settings;
  if (!ReadWidth(options, "title-width", settings.TitleWidthLimit) ||
      !ReadWidth(options, "description-width", settings.DescriptionWidthLimit))
    return UsageError("a width is a number of pixels above 0");
  settings.Measure = TextWidth;
  // The plain report prints no text: only the lengths and keys are kept.
  if (!json) settings.TextLimit = 0;
  int status = kDone;
  std::vector<PageAudit> pages;
  std::string bytes;
  std::string converted;
  const auto audit = [&](OpenedPage* page, const std::string& name) {
    if (ReadPage(page, name, bytes))
      pages.push_back(AuditBytes(name, bytes, converted, IsSiteRoot(name, words), settings));
    else status = kFailed;
  };
  // A folder's pages, all the way down, in name order; links to folders
  // are not followed (they may lead back up), links to files are.
  FolderWalkEvents walk;
  walk.Wanted = IsPageName;
  walk.Found = [&audit](OpenedPage& page) { audit(&page, page.Shown()); };
  walk.Failed = [&status](const std::string& folder, const std::string& reason) {
    ReportFailure(folder, "Error Opening File", reason);
    status = kFailed;
  };
  for (const auto& word : words)
    if (word == "-") audit(nullptr, word);
    else if (!WalkPages(word, walk)) status = kFailed;
  MarkDuplicates(pages);
  // Printed in pieces, so that the whole report is never held at once.
  std::string out = json ? FormatAuditJsonStart() : std::string();
  for (std::size_t i = 0; i < pages.size(); ++i) {
    out += json ? FormatAuditJsonEntry(pages[i], i) : FormatAuditLine(pages[i]);
    if (out.size() >= kPrintPiece) {
      Print(out);
      out.clear();
    }
  }
  Print(out + (json ? FormatAuditJsonEnd(pages.size()) : FormatAuditSummary(pages)));
  for (const auto& page : pages)
    if (!Problems(page).empty()) status = kFailed;
  return ReportLostOutput() ? kOutputLost : status;
}

}  // namespace verdo::cli
