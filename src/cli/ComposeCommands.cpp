// new, head and totals: the form's own outputs, no page involved.
#include "cli/Cli.h"
#include "core/compose/CharacterTotals.h"
#include "core/compose/HeadBlock.h"
#include "core/keywords/KeywordTools.h"

namespace verdo::cli {

int CmdNew(const Args& args, const Options& options) {
  if (!args.empty()) return UsageError("new takes no arguments but --cleared");
  MetaTagForm form;
  if (options.Has("cleared")) ClearAll(form);
  Print(TemplateBytes(form));
  return kDone;
}

int CmdHead(const Args& args, const Options& options) {
  const HeadBlockStyle style = options.Has("trap") ? HeadBlockStyle::TrapPage : HeadBlockStyle::Plain;
  if (args.size() != 1) return UsageError("head takes one template file");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  Print(ComposeHeadBlock(form, style));
  return kDone;
}

int CmdTotals(const Args& args, const Options&) {
  if (args.size() != 1) return UsageError("totals takes one template file");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  Print(FormatCharacterTotals(ComputeCharacterTotals(form)) + "\n");
  return kDone;
}

}  // namespace verdo::cli
