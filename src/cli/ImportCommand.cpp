// verdo-cli import URL [FORM.tem]: the page's title and meta tags applied to
// the form, printed as a template. The page goes into a scratch file without
// a name in TMPDIR, so runs side by side don't collide and nothing of it
// outlives the command, however it ends.
#include <cstdlib>
#include <string>

#include "cli/Cli.h"
#include "core/pages/PageAddress.h"
#include "platform/Import.h"

namespace verdo::cli {

int CmdImport(const Args& args, const Options&) {
  if (args.empty() || args.size() > 2) return UsageError("import takes URL [FORM.tem]");
  const std::string& address = args[0];
  MetaTagForm form;
  if (args.size() == 2 && !LoadForm(args[1], form)) return kFailed;

  const char* folder = std::getenv("TMPDIR");
  ScratchFile page = ScratchFile::Nameless(folder && *folder ? folder : "/tmp");
  const ImportResult imported = ImportAddress(address, page, form);
  if (!imported.Result) {
    ReportFailure(AddressWithoutCredentials(address), "Error Opening File", imported.Result.Reason);
    return kFailed;
  }
  Print(TemplateBytes(form));
  return kDone;
}

}  // namespace verdo::cli
