// verdo-cli export, with and without --keep-head: the head block written
// into each page, or with --dry-run and --diff only worked out and shown.
// A page of "-" is standard input; its new page goes to standard output.
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"
#include "cli/RunReport.h"
#include "core/compose/HeadBlock.h"
#include "core/pages/ExportPage.h"
#include "core/site/KeptHead.h"
#include "core/site/PageScan.h"
#include "core/text/CrLfStream.h"
#include "core/text/Encoding.h"
#include "core/text/Text.h"
#include "core/text/UnifiedDiff.h"
#include "platform/Charset.h"
#include "platform/PageFile.h"
#include "platform/ReplaceBatch.h"
#include "platform/TextFile.h"

namespace verdo::cli {

namespace {

using Result = RunReport::Page;

struct ExportRun {
  bool KeepHead = false;
  OwnedFields Fields = OwnedFields::All();
  bool DryRun = false;
  bool Diff = false;
  bool Quiet = false;
  std::string HeadBlock;  // the form's, in Windows-1252
};

// A page worked out: its new bytes and encoding, or why it is refused.
struct NewPage {
  std::optional<std::string> Bytes;
  std::string_view Encoding = kWindows1252;
  const char* Words = "Error Opening File";
  std::string Reason;
  std::string Note;  // what the export drops, unless --quiet
};

NewPage Refusal(const char* words, std::string reason) {
  return {std::nullopt, kWindows1252, words, std::move(reason), {}};
}

// What replacing the whole head drops, in words, or nothing.
std::string LossNote(const HeadLoss& loss, const ExportRun& run) {
  if (!loss.Any()) return {};
  return run.DryRun ? "would have " + HeadLossNote(loss) : HeadLossNote(loss);
}

NewPage KeptHeadPage(std::string_view bytes, const ExportRun& run) {
  const PageScan scan = ScanPage(bytes);
  const std::string_view encoding = scan.Charset.Encoding;
  if (IsWideEncoding(encoding)) return Refusal("Error Opening File", "a page in " + std::string(encoding));
  KeptHead kept = KeepHeadOf(bytes, scan.Charset, run.HeadBlock, run.Fields);
  if (!kept.Page) return Refusal("Error Saving File", std::move(kept.Reason));
  return {std::move(kept.Page), encoding, "", {}, {}};
}

// What Export writes for a page held whole (a page of standard input).
NewPage PlainPage(std::string_view bytes, const ExportRun& run) {
  const ExportCut cut = CutForExport(bytes);
  if (IsWideEncoding(cut.Charset.Encoding))
    return Refusal("Error Opening File", "encoded in " + std::string(cut.Charset.Encoding));
  std::string page = LfToCrLf(EncodedExportStart(run.HeadBlock, cut.Found, cut.Charset));
  CrLfStream().Convert(bytes.substr(cut.KeepFrom), page);
  std::string note;
  if (!run.Quiet) note = LossNote(WholeHeadLoss(bytes, cut.Found, cut.KeepFrom, cut.Charset.BomLength), run);
  return {std::move(page), cut.Charset.Encoding, "", {}, std::move(note)};
}

// Pages written through the batch, until it has settled: the notes on what
// they dropped wait, told only for pages whose write finished.
struct Settling {
  std::vector<std::pair<std::string, std::string>> Notes;  // page, note
  std::vector<std::string> Failed;                         // pages whose write failed at its end

  // Prints the notes of the pages written; returns how many failed.
  std::size_t Settle(RunReport& report) {
    const std::size_t failed = Failed.size();
    for (const auto& [page, note] : Notes) {
      const auto failed = std::find(Failed.begin(), Failed.end(), page);
      if (failed != Failed.end()) {
        Failed.erase(failed);
        continue;
      }
      report.Clear();
      ReportFailure(page, note);
    }
    return failed;
  }
};

Result Refused(RunReport& report, const std::string& subject, const char* words, const std::string& reason) {
  report.Clear();
  ReportFailure(subject, words, reason);
  return Result::Refused;
}

// The diff from the old page (none when it doesn't exist yet) to the new
// one, in UTF-8, with a note when that isn't the page's own encoding, so
// that patch wouldn't give its bytes.
void ShowDiff(const std::string& page, const std::string* old, std::string_view now, std::string_view encoding,
              const ExportRun& run, RunReport& report) {
  std::string_view from = old ? std::string_view(*old) : std::string_view();
  std::string_view to = now;
  std::string fromUtf8;
  std::string toUtf8;
  bool decoded = false;
  if (encoding != kUtf8) {
    fromUtf8 = Utf8FromPage(from, encoding);
    toUtf8 = Utf8FromPage(to, encoding);
    decoded = fromUtf8 != from || toUtf8 != to;
    from = fromUtf8;
    to = toUtf8;
  }
  report.Clear();
  // "a/tmp/x.htm" for /tmp/x.htm, which patch -p1 run from / applies.
  const std::string_view label = std::string_view(page).substr(std::min(page.find_first_not_of('/'), page.size()));
  WriteUnifiedDiff({old ? "a/" + std::string(label) : "/dev/null", from}, {"b/" + std::string(label), to}, Print);
  if (decoded && !run.Quiet)
    ReportFailure(page, "the diff shows its text in UTF-8, not its bytes in " + std::string(encoding) +
                            ": patch won't give them");
}

Result FromStandardInput(const ExportRun& run, RunReport& report) {
  const std::string subject = "standard input";
  std::string bytes;
  if (const PageRead read = ReadPageFile(STDIN_FILENO, bytes); read.State != PageRead::Status::Read)
    return Refused(report, subject, "Error Opening File", read.Reason);
  const NewPage page = run.KeepHead ? KeptHeadPage(bytes, run) : PlainPage(bytes, run);
  if (!page.Bytes) return Refused(report, subject, page.Words, page.Reason);
  const bool changed = *page.Bytes != bytes;
  if (run.Diff && changed) ShowDiff("-", &bytes, *page.Bytes, page.Encoding, run, report);
  report.Clear();
  if (!run.DryRun) Print(*page.Bytes);
  if (!page.Note.empty()) ReportFailure(subject, page.Note);
  return changed ? Result::Changed : Result::Unchanged;
}

// The old page for a diff, or null when it doesn't exist yet; refused
// (a diff is made of pages of up to 64 MiB) with its reason.
std::optional<std::string> OldPage(OpenedPage& page, std::string& bytes, const std::string*& old) {
  const PageRead read = ReadPageFile(page, bytes);
  old = read.State == PageRead::Status::Read ? &bytes : nullptr;
  if (read.State == PageRead::Status::Refused) return read.Reason;
  return std::nullopt;
}

Result Plain(const std::string& path, const ExportRun& run, RunReport& report, std::string& bytes, ReplaceBatch& batch,
             Settling& settling) {
  // A page that is there but can't be read is left alone; a page that
  // doesn't exist yet is made, holding the new head section alone.
  ExportSource source(batch.Resolve(path));
  if (source.State() == ExportSource::Status::Unreadable)
    return Refused(report, path, "Error Opening File", source.Reason());
  const std::string start = EncodedExportStart(run.HeadBlock, source.Found(), source.Charset());
  // What the export drops is told unless --quiet: looking costs reading the
  // head part and a parse.
  std::string note;
  bool same = false;
  if (run.Diff) {
    const std::string* old = nullptr;
    if (const auto refused = OldPage(source.Page(), bytes, old))
      return Refused(report, path, "Error Opening File", *refused);
    std::string now;
    const Outcome produced = source.Produce(start, [&now](std::string_view piece) {
      now.append(piece);
      return Outcome::Done();
    });
    if (!produced) return Refused(report, path, "Error Opening File", produced.Reason);
    same = old && now == *old;
    if (!same) ShowDiff(path, old, now, source.Charset().Encoding, run, report);
    if (old && !run.Quiet) note = LossNote(WholeHeadLoss(*old, source), run);
  } else {
    HeadLoss loss;
    if (!run.Quiet)
      if (const Outcome looked = source.FindLoss(loss); !looked)
        return Refused(report, path, "Error Opening File", looked.Reason);
    note = LossNote(loss, run);
    if (const Outcome compared = source.SameAsPage(start, same); !compared)
      return Refused(report, path, "Error Opening File", compared.Reason);
    if (!run.DryRun) {
      if (const Outcome written = source.WriteExport(path, start, &batch); !written)
        return Refused(report, path, "Error Saving File", written.Reason);
      if (!note.empty()) settling.Notes.emplace_back(path, std::move(note));
      return same ? Result::Unchanged : Result::Changed;
    }
  }
  if (!note.empty()) {
    report.Clear();
    ReportFailure(path, note);
  }
  return same ? Result::Unchanged : Result::Changed;
}

Result KeepHead(const std::string& path, const ExportRun& run, RunReport& report, std::string& bytes,
                ReplaceBatch& batch) {
  // A page that doesn't exist yet is made, holding a head section alone.
  // What is read is what is replaced: the page is looked up once.
  OpenedPage opened = batch.Resolve(path);
  const PageRead read = ReadPageFile(opened, bytes);
  if (read.State == PageRead::Status::Refused) return Refused(report, path, "Error Opening File", read.Reason);
  const bool existed = read.State == PageRead::Status::Read;
  const NewPage page = KeptHeadPage(bytes, run);
  if (!page.Bytes) return Refused(report, path, page.Words, page.Reason);
  // Nothing to change: the file is left alone, times and all.
  if (existed && *page.Bytes == bytes) return Result::Unchanged;
  if (run.Diff) ShowDiff(path, existed ? &bytes : nullptr, *page.Bytes, page.Encoding, run, report);
  if (!run.DryRun)
    if (const Outcome written = WritePageFile(opened, *page.Bytes, &batch); !written)
      return Refused(report, path, "Error Saving File", written.Reason);
  return Result::Changed;
}

// The run the options ask for; a usage error's status when they don't fit.
std::optional<int> TakeOptions(const Options& options, ExportRun& run) {
  run.KeepHead = options.Has("keep-head");
  run.Diff = options.Has("diff");
  run.DryRun = run.Diff || options.Has("dry-run");
  run.Quiet = options.Has("quiet");
  if (const std::string* only = options.Value("only")) {
    if (!run.KeepHead) return UsageError("--only goes with --keep-head");
    const auto fields = OwnedFields::Parse(*only);
    if (!fields) return UsageError("--only takes a list of " + OwnedFields::Names() + "; not '" + *only + "'");
    run.Fields = *fields;
  }
  return std::nullopt;
}

}  // namespace

int CmdExport(const Args& args, const Options& options) {
  ExportRun run;
  if (const auto failed = TakeOptions(options, run)) return *failed;
  if (args.size() < 2)
    return UsageError(run.KeepHead ? "export --keep-head takes a template file and at least one page"
                                   : "export takes a template file and at least one page");
  if (std::count(args.begin(), args.end(), "-") > 1)
    return UsageError("standard input (\"-\") can be read once: as the template or as one page");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  run.HeadBlock = ComposeHeadBlock(form, HeadBlockStyle::Plain);

  RunReport report(args.size() - 1, run.Quiet, run.DryRun);
  int status = kDone;
  std::string bytes;  // reused from page to page
  // The pages' syncs run side by side, each folder synced once at the end.
  Settling settling;
  ReplaceBatch batch(
      [&report](const std::string& name, const std::string& reason) {
        report.Clear();
        ReportFailure(name, "Error Saving File", reason);
      },
      [&settling](const std::string& page) { settling.Failed.push_back(page); });
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& page = args[i];
    const Result result = page == "-"    ? FromStandardInput(run, report)
                          : run.KeepHead ? KeepHead(page, run, report, bytes, batch)
                                         : Plain(page, run, report, bytes, batch, settling);
    if (result == Result::Refused) status = kFailed;
    report.Count(result);
  }
  if (!batch.Finish()) status = kFailed;
  // A page counts as changed once its write has finished.
  report.RefuseChanged(settling.Settle(report));
  report.Finish();
  return status;
}

}  // namespace verdo::cli
