// trap and export: the trap page, and the head block written into pages.
#include "cli/Cli.h"
#include "core/compose/HeadBlock.h"
#include "core/compose/TrapPage.h"
#include "platform/TextFile.h"

namespace verdo::cli {

int CmdTrap(const Args& args, const Options& options) {
  const std::string* output = options.Value("output");
  if (args.size() != 1) return UsageError("trap takes one template file");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  if (!output) {
    Print(ComposeTrapPage(form, false));
    return kDone;
  }
  if (const Outcome written = WriteTextFile(*output, ComposeTrapPage(form, true)); !written) {
    ReportFailure(*output, "Error Saving File", written.Reason);
    return kFailed;
  }
  return kDone;
}

int CmdExport(const Args& args, const Options& options) {
  if (options.Has("keep-head")) return CmdExportKeepHead(args);
  if (args.size() < 2) return UsageError("export takes a template file and at least one page");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  const std::string headBlock = ComposeHeadBlock(form, HeadBlockStyle::Plain);
  int status = kDone;
  // What the whole-head export dropped is told unless --quiet: looking costs
  // a parse of the page.
  std::string note;
  HeadLossAsker tell;
  if (!options.Has("quiet"))
    tell = [&note](const HeadLoss& loss) {
      note = HeadLossNote(loss);
      return HeadLossAnswer::ReplaceAll;
    };
  // A page that is there but can't be read is left alone; a page that
  // doesn't exist yet is made, holding the new head section alone.
  for (std::size_t i = 1; i < args.size(); ++i) {
    note.clear();
    const ExportResult result = ExportIntoPage(
        args[i], {}, [&headBlock] { return headBlock; }, tell);
    if (result.Failed == ExportResult::Step::Done) {
      if (!note.empty()) ReportFailure(args[i], note);
      continue;
    }
    const char* words = result.Failed == ExportResult::Step::Opening ? "Error Opening File" : "Error Saving File";
    ReportFailure(args[i], words, result.Reason);
    status = kFailed;
  }
  return status;
}

}  // namespace verdo::cli
