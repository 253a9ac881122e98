// keywords OP FORM.tem [--seed N]: a keyword tool applied to a template.
#include <charconv>
#include <cstdint>
#include <ctime>
#include <optional>

#include "cli/Cli.h"
#include "core/keywords/KeywordTools.h"

namespace verdo::cli {

namespace {

// A whole number from 0 to 2^32-1, decimal digits only.
std::optional<std::uint32_t> ParseSeed(const std::string& text) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace

int CmdKeywords(const Args& words, const Options& options) {
  std::optional<std::uint32_t> seed;
  if (const std::string* given = options.Value("seed")) {
    seed = ParseSeed(*given);
    if (!seed) return UsageError("bad seed '" + *given + "'");
  }
  if (words.size() != 2) return UsageError("keywords takes an operation and one template file");

  const std::string& op = words[0];
  void (*change)(MetaTagForm&) = nullptr;
  if (op == "upper") change = UppercaseKeywords;
  else if (op == "lower") change = LowercaseKeywords;
  else if (op == "capitalise") change = CapitaliseKeywords;
  else if (op == "reverse") change = ReverseKeywords;
  else if (op == "clear") change = ClearKeywords;
  else if (op != "shuffle") return UsageError("unknown keywords operation '" + op + "'");

  MetaTagForm form;
  if (!LoadForm(words[1], form)) return kFailed;
  if (change) {
    change(form);
  } else {
    // Without a seed, the time in whole seconds, as the Randomize button does.
    KeywordRandom random(seed.value_or(static_cast<std::uint32_t>(std::time(nullptr))));
    ShuffleKeywords(form, random);
  }
  Print(TemplateBytes(form));
  return kDone;
}

}  // namespace verdo::cli
