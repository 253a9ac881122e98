// export --keep-head and audit: whole sites, page by page, with the head
// found by an HTML parser.
#include "cli/Cli.h"
#include "core/compose/HeadBlock.h"
#include "core/site/KeptHead.h"
#include "core/site/PageScan.h"
#include "core/site/SiteAudit.h"
#include "core/text/Encoding.h"
#include "core/text/Text.h"
#include "platform/Charset.h"
#include "platform/FolderWalk.h"
#include "platform/HtmlOutline.h"
#include "platform/PageFile.h"
#include "platform/ReplaceBatch.h"

namespace verdo::cli {

namespace {

constexpr std::size_t kPrintPiece = 64 * 1024;

// Reads the page into `bytes`; reports and returns false when it can't.
// A page that isn't there counts as empty when `missingIsEmpty`.
bool ReadPage(OpenedPage& page, std::string& bytes, bool missingIsEmpty) {
  const std::string& path = page.Shown();
  const PageRead read = ReadPageFile(page, bytes);
  if (read.State == PageRead::Status::Read) return true;
  if (read.State == PageRead::Status::Missing && missingIsEmpty) {
    bytes.clear();
    return true;
  }
  ReportFailure(path, "Error Opening File",
                read.State == PageRead::Status::Missing ? "no such file or directory" : read.Reason);
  return false;
}

int KeepHead(const std::string& path, const std::string& headBlock, std::string& bytes, ReplaceBatch& batch) {
  // A page that doesn't exist yet is made, holding a head section alone.
  // What is read is what is replaced: the page is looked up once.
  OpenedPage opened = OpenedPage::Resolve(path);
  if (!ReadPage(opened, bytes, true)) return kFailed;
  const PageScan scan = ScanPage(bytes);
  if (IsWideEncoding(scan.Charset.Encoding)) {
    ReportFailure(path, "Error Opening File", "a page in " + std::string(scan.Charset.Encoding));
    return kFailed;
  }
  const PageOutline outline = OutlinePage(bytes, scan.Charset.BomLength);
  const auto page = ComposeKeptHeadPage(bytes, outline, EncodeForPage(headBlock, scan.Charset.Encoding));
  if (!page) {
    ReportFailure(path, "Error Saving File", "its title has no end tag");
    return kFailed;
  }
  // Nothing to change: the file is left alone, times and all.
  if (*page == bytes) return kDone;
  if (const Outcome written = WritePageFile(opened, *page, &batch); !written) {
    ReportFailure(path, "Error Saving File", written.Reason);
    return kFailed;
  }
  return kDone;
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

bool IsPageName(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;  // ".htm" alone is a hidden file's name
  const std::string extension = ToLowerAscii(std::string(name.substr(dot)));
  return extension == ".htm" || extension == ".html";
}

}  // namespace

int CmdExportKeepHead(const Args& args) {
  if (args.size() < 2) return UsageError("export --keep-head takes a template file and at least one page");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  const std::string headBlock = ComposeHeadBlock(form, HeadBlockStyle::Plain);
  int status = kDone;
  std::string bytes;
  ReplaceBatch batch(BatchFailureReporter());
  for (std::size_t i = 1; i < args.size(); ++i)
    if (KeepHead(args[i], headBlock, bytes, batch) != kDone) status = kFailed;
  return batch.Finish() ? status : kFailed;
}

int CmdAudit(const Args& words, const Options& options) {
  const bool json = options.Has("json");
  if (words.empty()) return UsageError("audit takes at least one page or folder");
  int status = kDone;
  std::vector<PageAudit> pages;
  std::string bytes;
  std::string converted;
  // A folder's pages, all the way down, in name order; links to folders
  // are not followed (they may lead back up), links to files are.
  FolderWalkEvents walk;
  walk.Wanted = IsPageName;
  walk.Found = [&](OpenedPage& page) {
    if (ReadPage(page, bytes, false)) pages.push_back(AuditBytes(page.Shown(), bytes, converted));
    else status = kFailed;
  };
  walk.Failed = [&status](const std::string& folder, const std::string& reason) {
    ReportFailure(folder, "Error Opening File", reason);
    status = kFailed;
  };
  for (const auto& word : words)
    if (!WalkPages(word, walk)) status = kFailed;
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
  return status;
}

}  // namespace verdo::cli
