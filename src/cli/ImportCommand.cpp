// verdo-cli import URL [FORM.tem]: the page's title and meta tags applied to
// the form, printed as a template. The page goes into a scratch file without
// a name in TMPDIR, so runs side by side don't collide and nothing of it
// outlives the command, however it ends.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/Cli.h"
#include "core/pages/PageAddress.h"
#include "platform/Import.h"

namespace verdo::cli {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// An address starts with its scheme and a colon ("http:", "file:").
bool NamesScheme(std::string_view word) {
  const std::size_t colon = word.find(':');
  if (colon == std::string_view::npos || colon == 0 || !IsAsciiLetter(word[0])) return false;
  return std::all_of(word.begin() + 1, word.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
  });
}

// The file address of a path: file:// and the absolute path, each byte
// other than letters, digits, "-._~" and "/" written as %XX.
std::string FileAddress(const std::string& path) {
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(path, error).string();
  std::string address = "file://";
  for (const char c : error ? path : absolute) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      address += c;
    } else {
      constexpr char kDigits[] = "0123456789ABCDEF";
      address += {'%', kDigits[byte >> 4], kDigits[byte & 0xF]};
    }
  }
  return address;
}

// Why a word without a scheme isn't imported, and what to write instead:
// a file's address for what looks like a path, else the schemes there are.
std::string NotAnAddress(const std::string& word) {
  std::error_code error;
  if (word.starts_with('/') || word.starts_with('.') || std::filesystem::exists(word, error))
    return "not an address; for a file, use " + FileAddress(word);
  return "not an address; write it with its scheme: http://, https://, ftp:// or file:///...";
}

}  // namespace

int CmdImport(const Args& args, const Options&) {
  if (args.empty() || args.size() > 2) return UsageError("import takes URL [FORM.tem]");
  const std::string& address = args[0];
  MetaTagForm form;
  if (args.size() == 2 && !LoadForm(args[1], form)) return kFailed;
  // Caught here, with no transfer begun, so no diagnostic line of one.
  if (!NamesScheme(address)) {
    ReportFailure(address, "Error Opening File", NotAnAddress(address));
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
