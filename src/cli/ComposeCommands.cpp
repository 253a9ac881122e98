// new, head and totals: the form's own outputs, no page involved.
#include "cli/Cli.h"
#include "core/compose/CharacterTotals.h"
#include "core/compose/HeadBlock.h"
#include "core/keywords/KeywordTools.h"

namespace verdo::cli {

int CmdNew(const Args& args) {
  MetaTagForm form;
  if (args.size() == 1 && args[0] == "--cleared") ClearAll(form);
  else if (!args.empty()) return UsageError("new takes no arguments but --cleared");
  Print(TemplateBytes(form));
  return kDone;
}

int CmdHead(const Args& args) {
  HeadBlockStyle style = HeadBlockStyle::Plain;
  std::vector<std::string> files;
  for (const auto& arg : args) {
    if (arg == "--trap") style = HeadBlockStyle::TrapPage;
    else files.push_back(arg);
  }
  if (const auto* option = FindOption(files)) return UnknownOption(*option);
  if (files.size() != 1) return UsageError("head takes one template file");
  MetaTagForm form;
  if (!LoadForm(files[0], form)) return kFailed;
  Print(ComposeHeadBlock(form, style));
  return kDone;
}

int CmdTotals(const Args& args) {
  if (const auto* option = FindOption(args)) return UnknownOption(*option);
  if (args.size() != 1) return UsageError("totals takes one template file");
  MetaTagForm form;
  if (!LoadForm(args[0], form)) return kFailed;
  Print(FormatCharacterTotals(ComputeCharacterTotals(form)) + "\n");
  return kDone;
}

}  // namespace verdo::cli
