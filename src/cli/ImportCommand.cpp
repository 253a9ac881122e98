// verdo-cli import URL [FORM.tem]: the page's title and meta tags applied to
// the form, printed as a template. The page goes into a scratch file without
// a name in TMPDIR, so runs side by side don't collide and nothing of it
// outlives the command, however it ends.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/Cli.h"
#include "core/pages/PageAddress.h"
#include "platform/Import.h"

namespace verdo::cli {

namespace {

// Why a word without a scheme Import takes isn't imported, and what to write instead:
// a file's address for what looks like a path, else the schemes there are.
std::string NotAnAddress(const std::string& word) {
  std::error_code error;
  if (word.starts_with('/') || word.starts_with('.') || std::filesystem::exists(word, error)) {
    const std::filesystem::path absolute = std::filesystem::absolute(word, error);
    return "not an address; for a file, use " + FileAddress(error ? word : absolute.string());
  }
  return "not an address; write it with its scheme: http://, https://, ftp:// or file:///...";
}

}  // namespace

int CmdImport(const Args& args, const Options&) {
  if (args.empty() || args.size() > 2) return UsageError("import takes URL [FORM.tem]");
  const std::string& address = args[0];
  MetaTagForm form;
  if (args.size() == 2 && !LoadForm(args[1], form)) return kFailed;
  // Caught here, with no transfer begun, so no diagnostic line of one.
  if (!NamesImportScheme(address)) {
    ReportFailure(AddressWithoutCredentials(address), "Error Opening File", NotAnAddress(address));
    return kFailed;
  }

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
