// trap: the trap page, shown or written.
#include "cli/Cli.h"
#include "core/compose/TrapPage.h"
#include "core/text/Text.h"
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
  // "-o -": the page as Generate writes it, on standard output.
  if (*output == "-") {
    Print(LfToCrLf(ComposeTrapPage(form, true)));
    return kDone;
  }
  if (const Outcome written = WriteTextFile(*output, ComposeTrapPage(form, true)); !written) {
    ReportFailure(*output, "Error Saving File", written.Reason);
    return kFailed;
  }
  return kDone;
}

}  // namespace verdo::cli
