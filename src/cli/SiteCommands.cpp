// audit: whole sites, page by page, with the head found by an HTML parser.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/Cli.h"
#include "core/site/PageScan.h"
#include "core/site/SiteAudit.h"
#include "core/text/Encoding.h"
#include "core/text/Text.h"
#include "platform/Charset.h"
#include "platform/HtmlOutline.h"
#include "platform/PageFile.h"

namespace verdo::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPrintPiece = 64 * 1024;

// Reads the page into `bytes`; reports and returns false when it can't.
// A page that isn't there counts as empty when `missingIsEmpty`.
bool ReadPage(const std::string& path, std::string& bytes, bool missingIsEmpty) {
  const PageRead read = path == "-" ? ReadPageFile(STDIN_FILENO, bytes) : ReadPageFile(path, bytes);
  if (read.State == PageRead::Status::Read) return true;
  if (read.State == PageRead::Status::Missing && missingIsEmpty) {
    bytes.clear();
    return true;
  }
  ReportFailure(path, "Error Opening File",
                read.State == PageRead::Status::Missing ? "no such file or directory" : read.Reason);
  return false;
}

// The page's text for the parser when its values are to be read: UTF-8.
// Characters of other pages that the form's Windows-1252 can't hold come as
// numeric references, which the parser reads as those characters.
std::string_view TextForAudit(std::string_view bytes, const PageScan& scan, std::string& converted,
                              std::size_t& contentStart) {
  contentStart = scan.Charset.BomLength;
  if (scan.Charset.Encoding == kUtf8 || (!scan.SawNonAscii && !IsWideEncoding(scan.Charset.Encoding))) return bytes;
  converted = Utf8FromCp1252(DecodeForForm(bytes.substr(contentStart), scan.Charset.Encoding));
  contentStart = 0;
  return converted;
}

PageAudit AuditBytes(std::string path, std::string_view bytes, std::string& converted) {
  const PageScan scan = ScanPage(bytes);
  std::size_t contentStart = 0;
  const std::string_view text = TextForAudit(bytes, scan, converted, contentStart);
  PageFacts facts = FactsFromOutline(OutlinePage(text, contentStart));
  facts.HeadEndFound = scan.HeadEndFound;
  facts.EncodingMismatch = scan.EncodingMismatch;
  return AuditPage(std::move(path), facts);
}

bool IsPageName(const fs::path& path) {
  const std::string extension = ToLowerAscii(path.extension().string());
  return extension == ".htm" || extension == ".html";
}

// The pages a word names: the file itself, or a folder's .htm and .html
// files, all the way down, in name order. Links to folders are not
// followed (they may lead back up); links to files are.
bool CollectPages(const std::string& word, std::vector<std::string>& pages) {
  std::error_code error;
  if (word == "-" || !fs::is_directory(word, error)) {
    pages.push_back(word);
    return true;
  }
  std::vector<std::string> found;
  fs::recursive_directory_iterator it(word, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored) && IsPageName(it->path())) found.push_back(it->path().string());
  }
  if (error) {
    ReportFailure(word, "Error Opening File", Lowered(error.message()));
    return false;
  }
  std::sort(found.begin(), found.end());
  pages.insert(pages.end(), found.begin(), found.end());
  return true;
}

}  // namespace

int CmdAudit(const Args& words, const Options& options) {
  const bool json = options.Has("json");
  if (words.empty()) return UsageError("audit takes at least one page or folder");
  if (std::count(words.begin(), words.end(), "-") > 1) return UsageError("standard input (\"-\") can be read once");
  int status = kDone;
  std::vector<std::string> paths;
  for (const auto& word : words)
    if (!CollectPages(word, paths)) status = kFailed;

  std::vector<PageAudit> pages;
  std::string bytes;
  std::string converted;
  for (auto& path : paths) {
    if (!ReadPage(path, bytes, false)) {
      status = kFailed;
      continue;
    }
    pages.push_back(AuditBytes(std::move(path), bytes, converted));
  }
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
