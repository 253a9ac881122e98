// Shared pieces of verdo-cli's commands.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/form/MetaTagForm.h"

namespace verdo::cli {

using Args = std::vector<std::string>;

// kOutputLost: audit's report couldn't be written, which "problems found"
// (kFailed) mustn't be taken for.
enum Exit : int { kDone = 0, kFailed = 1, kUsage = 2, kOutputLost = 3 };

// An option a command takes: a flag ("--trap"), or one with a value
// ("--seed N"; "-o PAGE", whose long form is "--output PAGE").
struct OptionSpec {
  std::string_view Long;   // the name after "--"
  char Short = 0;          // the letter after "-", or 0 for none
  std::string_view Value;  // the value's name in the usage; empty for a flag
  std::string_view Help;
};

// The options given to a command, by long name; a flag's value is empty.
class Options {
 public:
  bool Has(std::string_view name) const { return values_.find(name) != values_.end(); }
  // The value given, or null.
  const std::string* Value(std::string_view name) const;
  void Set(std::string_view name, std::string value) { values_.insert_or_assign(std::string(name), std::move(value)); }

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

// One row of the command table (main.cpp), from which the usage texts are
// made; a new command is a new row and its Cmd function.
struct Command {
  std::string_view Name;
  std::string_view Operands;  // after the options in the synopsis: "FORM.tem PAGE..."
  std::string_view Summary;   // what it does; may run over lines
  std::span<const OptionSpec> Accepts;
  int (*Run)(const Args& operands, const Options& options);
  std::string_view Details = {};  // shown by COMMAND --help after the options
};

// The table, in the order --help lists it.
std::span<const Command> Commands();

// "head [--trap] FORM.tem": the command's name, options and operands.
std::string Synopsis(const Command& command);
// The text of verdo-cli --help, and of COMMAND --help.
std::string UsageText();
std::string CommandUsageText(const Command& command);

// Prints "verdo-cli: MESSAGE" and the usage text on stderr; returns kUsage.
// Control characters in the message (an argument it quotes) are escaped.
int UsageError(std::string_view message);

// Runs the command on the words after its name, as GNU tools take them:
// options and operands in any order; "--" ends the options; "--seed=3" and
// "--seed 3", "-oFILE" and "-o FILE"; "-" alone is an operand (standard
// input); any other word that starts with "-" is an option, never a file
// name (a file so named is given as ./-x). --help prints the command's usage.
int RunCommand(const Command& command, const Args& words);

// Prints "verdo-cli: SUBJECT: MESSAGE" on stderr, the program's own words
// after the file or address they are about. The subject is quoted as
// QuoteName quotes names, and control characters in the rest are escaped
// (core/text/Escape.h): nothing a name holds reaches the terminal raw.
void ReportFailure(std::string_view subject, std::string_view message);
// The same with the reason in brackets after the words:
// "verdo-cli: page.htm: Error Saving File (permission denied)".
void ReportFailure(std::string_view subject, std::string_view message, std::string_view reason);

// Writes the bytes to stdout exactly, nothing added; on a terminal, with
// their control characters escaped (EscapeForTerminal).
void Print(std::string_view bytes);

// Flushes stdout; when what was printed didn't all get through, says so on
// stderr ("verdo-cli: standard output: write error") and returns true.
bool ReportLostOutput();

// The exit status once stdout is flushed: a command that printed its result
// has failed if the result didn't get through (a full disk, say).
int FinishOutput(int status);

// The form at program start with the template file applied on top, as the
// Load button reads it; "-" reads it from standard input, bounded as a
// template file is. Reports and returns false when it can't be read.
bool LoadForm(const std::string& path, MetaTagForm& form);

// The template text exactly as Save writes it (CR LF line ends).
std::string TemplateBytes(const MetaTagForm& form);

// The commands; each takes its operands and options (RunCommand).
int CmdNew(const Args& args, const Options& options);
int CmdHead(const Args& args, const Options& options);
int CmdTotals(const Args& args, const Options& options);
int CmdTrap(const Args& args, const Options& options);
int CmdExport(const Args& args, const Options& options);
int CmdKeywords(const Args& args, const Options& options);
int CmdImport(const Args& args, const Options& options);
int CmdAudit(const Args& args, const Options& options);

}  // namespace verdo::cli
