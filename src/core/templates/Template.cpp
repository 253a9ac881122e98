#include "core/templates/Template.h"

#include <array>

#include "core/text/Text.h"

namespace verdo {
namespace {

struct TextKey {
  std::string Key;
  std::string* (*Field)(MetaTagForm&);
};

template <int N>
std::string* KeywordField(MetaTagForm& f) { return &f.Keyword(N); }

// The text keys in the order the writer puts them.
const std::array<TextKey, 23>& TextKeys() {
  static const std::array<TextKey, 23> keys = {{
      {"TITLE", [](MetaTagForm& f) { return &f.Title; }},
      {"DESCRIPTION", [](MetaTagForm& f) { return &f.Description; }},
      {"KW1", KeywordField<1>}, {"KW2", KeywordField<2>}, {"KW3", KeywordField<3>},
      {"KW4", KeywordField<4>}, {"KW5", KeywordField<5>}, {"KW6", KeywordField<6>},
      {"KW7", KeywordField<7>}, {"KW8", KeywordField<8>}, {"KW9", KeywordField<9>},
      {"KW10", KeywordField<10>}, {"KW11", KeywordField<11>}, {"KW12", KeywordField<12>},
      {"KW13", KeywordField<13>}, {"KW14", KeywordField<14>}, {"KW15", KeywordField<15>},
      {"KW16", KeywordField<16>},
      {"KWX", [](MetaTagForm& f) { return &f.ExtraKeywords; }},
      {"AUTHOR", [](MetaTagForm& f) { return &f.Author; }},
      {"COPYRIGHT", [](MetaTagForm& f) { return &f.Copyright; }},
      {"EXPIRES", [](MetaTagForm& f) { return &f.Expires; }},
      {"REDIRECT", [](MetaTagForm& f) { return &f.RedirectUrl; }},
  }};
  return keys;
}

struct FlagKey {
  const char* Key;
  int* (*Flag)(MetaTagForm&);
};

// The yes/no lines in the order the writer puts them.
constexpr std::array<FlagKey, 5> kFlagKeys = {{
    {"REVISIT", [](MetaTagForm& f) { return &f.Revisit; }},
    {"NOCACHE", [](MetaTagForm& f) { return &f.NoCache; }},
    {"NOINDEX", [](MetaTagForm& f) { return &f.NoIndex; }},
    {"INDEXALL", [](MetaTagForm& f) { return &f.IndexAll; }},
    {"NOIMGINDEX", [](MetaTagForm& f) { return &f.NoImageIndex; }},
}};

}  // namespace

std::string FormatTemplate(const MetaTagForm& form) {
  MetaTagForm f = form;  // the field accessors take a mutable form
  std::string text = "OWNER=Verdo 1.0";
  for (const auto& key : TextKeys()) text += "\n" + key.Key + "=" + *key.Field(f);
  // Neither button chosen is written as Local: the file has no third value.
  text += form.Distribution == kDistributionGlobal ? "\nDISTRIBUTION=Global" : "\nDISTRIBUTION=Local";
  for (const auto& key : kFlagKeys) text += std::string("\n") + key.Key + (*key.Flag(f) ? "=yes" : "=no");
  return text + "\n";
}

void ApplyTemplateLine(std::string_view line, MetaTagForm& form) {
  const std::string_view trimmed = TrimRight(line);
  // The key ends at the first "="; everything after it, further "=" included,
  // is the value, so a saved value that holds "=" loads back whole.
  const auto eq = trimmed.find('=');
  const std::string_view key = trimmed.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? std::string_view() : trimmed.substr(eq + 1);
  for (const auto& textKey : TextKeys())
    if (key == textKey.Key) *textKey.Field(form) = std::string(value);

  if (trimmed == "DISTRIBUTION=Local") form.Distribution = kDistributionLocal;
  if (trimmed == "DISTRIBUTION=Global") form.Distribution = kDistributionGlobal;
  for (const auto& flagKey : kFlagKeys) {
    const std::string name = flagKey.Key;
    if (trimmed == name + "=yes") *flagKey.Flag(form) = 1;
    if (trimmed == name + "=no") *flagKey.Flag(form) = 0;
  }
}

void ApplyTemplateText(std::string_view text, MetaTagForm& form) {
  for (auto lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n')) {
    ApplyTemplateLine(text.substr(0, lf + 1), form);
    text.remove_prefix(lf + 1);
  }
}

}  // namespace verdo
