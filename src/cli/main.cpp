// verdo-cli: the form's outputs for scripts and batch work, no display needed.
// A template file (.tem) is the form, read on top of the form at start.
#include <cstring>
#include <iostream>
#include <string_view>

#include "cli/Cli.h"
#include "core/Product.h"

namespace verdo::cli {

extern const char* const kUsageText =
    "usage: verdo-cli COMMAND [ARGS]\n"
    "  new [--cleared]                  the template of the form at start (or after Clear All)\n"
    "  head [--trap] FORM.tem           the head block (trap page style with --trap)\n"
    "  totals FORM.tem                  the character totals\n"
    "  trap FORM.tem                    the trap page as Preview shows it (no credits, LF)\n"
    "  trap FORM.tem -o PAGE            the trap page written to PAGE as Generate writes it\n"
    "  export FORM.tem PAGE...          the head block written into each page, as Export does\n"
    "  export --keep-head FORM.tem PAGE...  only the head block's own elements replaced\n"
    "  import URL [FORM.tem]            the page's title and meta tags applied to FORM\n"
    "  keywords OP FORM.tem [--seed N]  the template after a keyword tool; OP: upper, lower,\n"
    "                                   capitalise, reverse, shuffle (seeded with N or the time), clear\n"
    "  audit [--json] PAGE|DIR...       titles, descriptions, keywords and problems, page by page\n"
    "  --help                           this text\n"
    "  --version                        the version\n";

namespace {

struct Command {
  std::string_view Name;
  int (*Run)(const Args&);
};

constexpr Command kCommands[] = {
    {"new", CmdNew},
    {"head", CmdHead},
    {"totals", CmdTotals},
    {"trap", CmdTrap},
    {"export", CmdExport},
    {"keywords", CmdKeywords},
    {"import", CmdImport},
    {"audit", CmdAudit},
};

}  // namespace
}  // namespace verdo::cli

namespace {

int Run(int argc, char** argv) {
  using namespace verdo::cli;
  if (argc < 2) return UsageError("no command given");
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h") {
    std::cout << kUsageText;
    return kDone;
  }
  if (name == "--version") {
    std::cout << "verdo-cli " << verdo::kVersion << "\n";
    return kDone;
  }
  const Args args(argv + 2, argv + argc);
  for (const auto& command : kCommands)
    if (command.Name == name) return command.Run(args);
  return UsageError("unknown command '" + std::string(name) + "'");
}

}  // namespace

int main(int argc, char** argv) { return verdo::cli::FinishOutput(Run(argc, argv)); }
