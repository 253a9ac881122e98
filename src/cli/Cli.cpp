#include "cli/Cli.h"

#include <cstdio>
#include <iostream>

#include "core/templates/Template.h"
#include "core/text/Text.h"
#include "platform/TextFile.h"

namespace verdo::cli {

int UsageError(std::string_view message) {
  std::cerr << "verdo-cli: " << message << "\n" << kUsageText;
  return kUsage;
}

const std::string* FindOption(const Args& words) {
  for (const auto& word : words)
    if (word.size() > 1 && word[0] == '-') return &word;
  return nullptr;
}

int UnknownOption(const std::string& word) { return UsageError("unknown option '" + word + "'"); }

void ReportFailure(std::string_view subject, std::string_view message) {
  std::cerr << "verdo-cli: " << subject << ": " << message << "\n";
}

void ReportFailure(std::string_view subject, std::string_view message, std::string_view reason) {
  std::cerr << "verdo-cli: " << subject << ": " << message << " (" << reason << ")\n";
}

void Print(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

int FinishOutput(int status) {
  std::cout.flush();
  const bool lost = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout);
  if (!lost || status != kDone) return status;
  ReportFailure("standard output", "write error");
  return kFailed;
}

bool LoadForm(const std::string& path, MetaTagForm& form) {
  const Outcome applied = ApplyTemplateFile(path, form);
  if (!applied) ReportFailure(path, "Error Opening File", applied.Reason);
  return applied.Ok;
}

std::string TemplateBytes(const MetaTagForm& form) { return LfToCrLf(FormatTemplate(form)); }

}  // namespace verdo::cli
