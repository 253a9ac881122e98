// verdo-cli: the form's outputs for scripts and batch work, no display needed.
// A template file (.tem) is the form, read on top of the form at start.
#include <iostream>
#include <string_view>

#include "cli/Cli.h"
#include "core/Product.h"

namespace verdo::cli {

namespace {

constexpr OptionSpec kNewOptions[] = {{"cleared", 0, "", "the form after Clear All"}};
constexpr OptionSpec kHeadOptions[] = {{"trap", 0, "", "the head block in trap page style"}};
constexpr OptionSpec kTrapOptions[] = {
    {"output", 'o', "PAGE", "write the trap page to PAGE as Generate writes it (credits, CR LF)"}};
constexpr OptionSpec kExportOptions[] = {
    {"keep-head", 0, "", "only the head block's own elements replaced, the rest of the page kept"},
    {"only", 0, "FIELDS",
     "with --keep-head: only these of them replaced, a comma-separated list\nof title, description, keywords, author, "
     "copyright, robots, expires,\ndistribution, revisit-after"},
    {"dry-run", 0, "", "read and work out every page, write none"},
    {"diff", 0, "", "a unified diff of each page that would change (UTF-8);\nimplies --dry-run"},
    {"quiet", 0, "", "no notes, progress or summary on standard error"}};
constexpr OptionSpec kAuditOptions[] = {
    {"json", 0, "", "a JSON array of one object a page"},
    {"title-width", 0, "PX", "titles wider than PX pixels (Arial, 20 px) are too wide (580)"},
    {"description-width", 0, "PX", "descriptions wider than PX pixels (Arial, 14 px) are too wide (920)"}};
constexpr OptionSpec kKeywordOptions[] = {
    {"seed", 0, "N", "shuffle seeded with N (0 to 4294967295) instead of the time"}};

constexpr std::string_view kAuditProblems =
    "Problems, page by page:\n"
    "  no-title, empty-title             no title element in the head, or an empty one\n"
    "  title-too-long, title-too-short   over 60 characters, under 30\n"
    "  title-too-wide                    wider than 580 px set in Arial at 20 px\n"
    "  multiple-titles                   more than one title element in the head\n"
    "  no-description                    no description meta, or an empty one\n"
    "  description-too-long              over 160 characters\n"
    "  description-too-short             under 70 characters\n"
    "  description-too-wide              wider than 920 px set in Arial at 14 px\n"
    "  multiple-descriptions             more than one description meta in the head\n"
    "  duplicate-title                   the same title (white space aside) as another page\n"
    "  duplicate-description             the same description as another page\n"
    "  no-head-end                       no line that Export takes as the end of the head\n"
    "  encoding-mismatch                 a character-set declaration the bytes contradict\n"
    "  noindex                           a robots or googlebot meta holding noindex or none\n"
    "  canonical-invalid                 a canonical link that isn't an absolute URL, two\n"
    "                                    with different URLs, or one at the site's root\n"
    "                                    from a page that isn't the top index.htm\n"
    "  hreflang-invalid                  an alternate link whose hreflang isn't a BCP 47\n"
    "                                    language tag or x-default, or whose href is relative\n"
    "  no-viewport                       no viewport meta setting width or initial-scale\n"
    "  no-lang                           no lang on <html>, or not a BCP 47 language tag\n"
    "  charset-late                      no byte-order mark, and no character-set declaration\n"
    "                                    within the first 1024 bytes\n"
    "  head-too-long                     a head longer than the parser reads (8 MiB or\n"
    "                                    16,384 tags): the rest isn't checked\n";

// Every command; --help and each COMMAND --help are made from this table.
constexpr Command kCommands[] = {
    {"new", "", "the template of the form at start (or after Clear All)", kNewOptions, CmdNew},
    {"head", "FORM.tem", "the head block (trap page style with --trap)", kHeadOptions, CmdHead},
    {"totals", "FORM.tem", "the character totals", {}, CmdTotals},
    {"trap", "FORM.tem",
     "the trap page as Preview shows it (no credits, LF);\nwith -o written to PAGE as Generate writes it", kTrapOptions,
     CmdTrap},
    {"export", "FORM.tem PAGE...",
     "the head block written into each page, as Export does;\na page that doesn't exist yet gets the head section "
     "alone",
     kExportOptions, CmdExport},
    {"import", "URL [FORM.tem]", "the page's title and meta tags applied to FORM", {}, CmdImport},
    {"keywords", "OP FORM.tem",
     "the template after a keyword tool; OP: upper, lower,\ncapitalise, reverse, shuffle (seeded with N or the time), "
     "clear",
     kKeywordOptions, CmdKeywords},
    {"audit", "PAGE|DIR...", "titles, descriptions, keywords and problems, page by page", kAuditOptions, CmdAudit,
     kAuditProblems},
};

constexpr std::size_t kSummaryColumn = 36;

// "  NAME      SUMMARY" with the summary's further lines under its first.
void AddRow(std::string& text, std::string_view left, std::string_view summary) {
  text += "  ";
  text += left;
  if (left.size() + 2 >= kSummaryColumn) {
    text += "\n";
    text.append(kSummaryColumn, ' ');
  } else {
    text.append(kSummaryColumn - 2 - left.size(), ' ');
  }
  for (const char c : summary) {
    text += c;
    if (c == '\n') text.append(kSummaryColumn, ' ');
  }
  text += "\n";
}

std::string OptionWithValue(const OptionSpec& option) {
  std::string shown = option.Short ? std::string{'-', option.Short} : "--" + std::string(option.Long);
  if (!option.Value.empty()) shown += " " + std::string(option.Value);
  return shown;
}

constexpr std::string_view kConventions =
    "A FORM.tem of \"-\" is read from standard input; so is a PAGE of \"-\", whose new\n"
    "page export writes to standard output (and trap -o - the trap page); \"--\"\n"
    "ends the options; --seed=N and --seed N, -oPAGE and -o PAGE (--output) are\n"
    "the same. Exit status: 0 done, 1 failed (audit: problems found), 2 usage,\n"
    "3 audit's report couldn't be written.\n";

}  // namespace

std::span<const Command> Commands() { return kCommands; }

std::string Synopsis(const Command& command) {
  std::string text(command.Name);
  for (const OptionSpec& option : command.Accepts) text += " [" + OptionWithValue(option) + "]";
  if (!command.Operands.empty()) text += " " + std::string(command.Operands);
  return text;
}

std::string UsageText() {
  std::string text = "usage: verdo-cli COMMAND [ARGS]\n";
  for (const Command& command : kCommands) AddRow(text, Synopsis(command), command.Summary);
  AddRow(text, "--help", "this text; COMMAND --help: that command's usage");
  AddRow(text, "--version", "the version");
  return text + std::string(kConventions);
}

std::string CommandUsageText(const Command& command) {
  std::string text = "usage: verdo-cli " + Synopsis(command) + "\n" + std::string(command.Summary) + "\n";
  for (const OptionSpec& option : command.Accepts) {
    std::string left = "--" + std::string(option.Long);
    if (!option.Value.empty()) left += "=" + std::string(option.Value);
    if (option.Short) left = std::string{'-', option.Short} + ", " + left;
    AddRow(text, left, option.Help);
  }
  AddRow(text, "--help", "this text");
  return text + std::string(command.Details);
}

}  // namespace verdo::cli

namespace {

int Run(int argc, char** argv) {
  using namespace verdo::cli;
  if (argc < 2) return UsageError("no command given");
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h") {
    std::cout << UsageText();
    return kDone;
  }
  if (name == "--version") {
    if (argc > 2) return UsageError("--version takes no arguments");
    std::cout << "verdo-cli " << verdo::kVersion << "\n";
    return kDone;
  }
  for (const Command& command : Commands())
    if (command.Name == name) return RunCommand(command, Args(argv + 2, argv + argc));
  return UsageError("unknown command '" + std::string(name) + "'");
}

}  // namespace

int main(int argc, char** argv) { return verdo::cli::FinishOutput(Run(argc, argv)); }
