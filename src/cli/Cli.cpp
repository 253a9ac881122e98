#include "cli/Cli.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>

#include "core/templates/Template.h"
#include "core/text/Escape.h"
#include "core/text/LineSplitter.h"
#include "core/text/Text.h"
#include "platform/TextFile.h"

namespace verdo::cli {

int UsageError(std::string_view message) {
  std::cerr << "verdo-cli: " << EscapeControls(message) << "\n" << UsageText();
  return kUsage;
}

const std::string* Options::Value(std::string_view name) const {
  const auto found = values_.find(name);
  return found == values_.end() ? nullptr : &found->second;
}

namespace {

bool IsOptionWord(std::string_view word) { return word.size() > 1 && word[0] == '-'; }

const OptionSpec* FindSpec(const Command& command, std::string_view longName, char shortName) {
  const auto found = std::find_if(command.Accepts.begin(), command.Accepts.end(), [&](const OptionSpec& spec) {
    return longName.empty() ? spec.Short != 0 && spec.Short == shortName : spec.Long == longName;
  });
  return found == command.Accepts.end() ? nullptr : &*found;
}

// Takes the option word at words[i] (and its value, which may be the next
// word) into options; nothing, or the usage error's status.
std::optional<int> TakeOption(const Command& command, const Args& words, std::size_t& i, Options& options) {
  const std::string& word = words[i];
  const bool isLong = word.compare(0, 2, "--") == 0;
  const std::size_t equals = isLong ? word.find('=') : std::string::npos;
  const std::string_view name = isLong ? std::string_view(word).substr(2, equals - 2) : std::string_view();
  const OptionSpec* spec = FindSpec(command, name, isLong ? 0 : word[1]);
  if (!spec) return UsageError("unknown option '" + (isLong ? word.substr(0, equals) : word) + "'");
  const std::string shown = isLong ? word.substr(0, equals) : word.substr(0, 2);
  std::optional<std::string> value;
  if (isLong && equals != std::string::npos) value = word.substr(equals + 1);
  if (!isLong && word.size() > 2) value = word.substr(2);
  if (spec->Value.empty()) {
    if (value) return UsageError("option '" + shown + "' takes no value");
  } else if (!value) {
    if (i + 1 == words.size()) return UsageError("option '" + shown + "' needs " + std::string(spec->Value));
    value = words[++i];
  }
  if (options.Has(spec->Long)) return UsageError("option '" + shown + "' given twice");
  options.Set(spec->Long, value.value_or(std::string()));
  return std::nullopt;
}

}  // namespace

int RunCommand(const Command& command, const Args& words) {
  const auto end = std::find(words.begin(), words.end(), "--");
  if (std::find(words.begin(), end, "--help") != end || std::find(words.begin(), end, "-h") != end) {
    std::cout << CommandUsageText(command);
    return kDone;
  }
  Args operands;
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (!optionsEnded && words[i] == "--") {
      optionsEnded = true;
    } else if (optionsEnded || !IsOptionWord(words[i])) {
      operands.push_back(words[i]);
    } else if (const auto failed = TakeOption(command, words, i, options)) {
      return *failed;
    }
  }
  return command.Run(operands, options);
}

void ReportFailure(std::string_view subject, std::string_view message) {
  std::cerr << "verdo-cli: " << QuoteName(subject) << ": " << EscapeControls(message) << "\n";
}

void ReportFailure(std::string_view subject, std::string_view message, std::string_view reason) {
  std::cerr << "verdo-cli: " << QuoteName(subject) << ": " << EscapeControls(message) << " (" << EscapeControls(reason)
            << ")\n";
}

void Print(std::string_view bytes) {
  // Exact bytes for a file or pipe; what a page or template holds never
  // reaches a terminal raw.
  static const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  std::string escaped;
  if (terminal) bytes = escaped = EscapeForTerminal(bytes);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

namespace {

bool OutputLost() {
  std::cout.flush();
  return !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout);
}

}  // namespace

bool ReportLostOutput() {
  if (!OutputLost()) return false;
  ReportFailure("standard output", "write error");
  return true;
}

int FinishOutput(int status) {
  const bool lost = OutputLost();
  if (!lost || status != kDone) return status;
  ReportFailure("standard output", "write error");
  return kFailed;
}

bool LoadForm(const std::string& path, MetaTagForm& form) {
  // A template from standard input can't be measured before it is read: it
  // is applied to a copy, so that one beyond the bounds changes nothing.
  const bool fromStdin = path == "-";
  MetaTagForm loaded = form;
  const Outcome applied = fromStdin ? ApplyTemplateFile(STDIN_FILENO, loaded) : ApplyTemplateFile(path, loaded);
  if (!applied) {
    ReportFailure(fromStdin ? "standard input" : path, "Error Opening File", applied.Reason);
    return false;
  }
  form = loaded;
  return true;
}

std::string TemplateBytes(const MetaTagForm& form) { return LfToCrLf(FormatTemplate(form)); }

}  // namespace verdo::cli
