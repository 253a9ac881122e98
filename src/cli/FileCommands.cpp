// trap and export: the trap page, and the head block written into pages.
#include <algorithm>
#include <optional>

#include "cli/Cli.h"
#include "core/compose/HeadBlock.h"
#include "core/compose/TrapPage.h"
#include "core/pages/ExportPage.h"
#include "platform/Charset.h"
#include "platform/TextFile.h"

namespace verdo::cli {

int CmdTrap(const Args& args) {
  std::vector<std::string> files;
  std::optional<std::string> output;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (output || i + 1 == args.size()) return UsageError("trap -o takes one page");
      output = args[++i];
    } else {
      files.push_back(args[i]);
    }
  }
  if (const auto* option = FindOption(files)) return UnknownOption(*option);
  if (files.size() != 1) return UsageError("trap takes one template file");
  MetaTagForm form;
  if (!LoadForm(files[0], form)) return kFailed;
  if (!output) {
    Print(ComposeTrapPage(form, false));
    return kDone;
  }
  if (!WriteTextFile(*output, ComposeTrapPage(form, true))) {
    ReportFailure(*output, "Error Saving File");
    return kFailed;
  }
  return kDone;
}

int CmdExport(const Args& args) {
  if (const auto keep = std::find(args.begin(), args.end(), "--keep-head"); keep != args.end()) {
    Args rest = args;
    rest.erase(rest.begin() + (keep - args.begin()));
    return CmdExportKeepHead(rest);
  }
  if (const auto* option = FindOption(args)) return UnknownOption(*option);
  if (args.size() < 2) return UsageError("export takes a template file and at least one page");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  const std::string headBlock = ComposeHeadBlock(form, HeadBlockStyle::Plain);
  int status = kDone;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& page = args[i];
    ExportSource source(page);
    // A page that is there but can't be read is left alone; a page that
    // doesn't exist yet is made, holding the new head section alone.
    if (source.State() == ExportSource::Status::Unreadable) {
      ReportFailure(page, "Error Opening File");
      status = kFailed;
      continue;
    }
    if (!source.WriteExport(page, EncodedExportStart(headBlock, source.Found(), source.Charset()))) {
      ReportFailure(page, "Error Saving File");
      status = kFailed;
    }
  }
  return status;
}

}  // namespace verdo::cli
