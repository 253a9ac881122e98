// Shared pieces of verdo-cli's commands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/form/MetaTagForm.h"

namespace verdo::cli {

using Args = std::vector<std::string>;

enum Exit : int { kDone = 0, kFailed = 1, kUsage = 2 };

// The usage text of --help and of usage errors (main.cpp).
extern const char* const kUsageText;

// Prints "verdo-cli: MESSAGE" and the usage text on stderr; returns kUsage.
int UsageError(std::string_view message);

// The first word that looks like an option ("-x", "--x"), or null. No such
// word is taken for a file name: a file so named is given as ./-x.
const std::string* FindOption(const Args& words);

// The usage error for a word that FindOption found.
int UnknownOption(const std::string& word);

// Prints "verdo-cli: SUBJECT: MESSAGE" on stderr, the program's own words
// after the file or address they are about.
void ReportFailure(std::string_view subject, std::string_view message);

// Writes the bytes to stdout exactly, nothing added.
void Print(std::string_view bytes);

// The exit status once stdout is flushed: a command that printed its result
// has failed if the result didn't get through (a full disk, say).
int FinishOutput(int status);

// The form at program start with the template file applied on top, as the
// Load button reads it. Reports and returns false when the file can't be read.
bool LoadForm(const std::string& path, MetaTagForm& form);

// The template text exactly as Save writes it (CR LF line ends).
std::string TemplateBytes(const MetaTagForm& form);

// The commands; each takes the words after its name.
int CmdNew(const Args& args);
int CmdHead(const Args& args);
int CmdTotals(const Args& args);
int CmdTrap(const Args& args);
int CmdExport(const Args& args);
int CmdKeywords(const Args& args);
int CmdImport(const Args& args);
int CmdExportKeepHead(const Args& args);
int CmdAudit(const Args& args);

}  // namespace verdo::cli
