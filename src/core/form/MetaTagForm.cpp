#include "core/form/MetaTagForm.h"

namespace verdo {
namespace {

constexpr int kKeywordLimit = 20;

constexpr FormField TextField(const char* name, int id, int limit, const char* key, int line,
                              std::string* (*text)(MetaTagForm&)) {
  return {name, id, FieldKind::Text, limit, key, line, text, nullptr};
}

constexpr const char* kKeywordNames[] = {"Keyword1",  "Keyword2",  "Keyword3",  "Keyword4",  "Keyword5",  "Keyword6",
                                         "Keyword7",  "Keyword8",  "Keyword9",  "Keyword10", "Keyword11", "Keyword12",
                                         "Keyword13", "Keyword14", "Keyword15", "Keyword16"};
constexpr const char* kKeywordKeys[] = {"KW1", "KW2",  "KW3",  "KW4",  "KW5",  "KW6",  "KW7",  "KW8",
                                        "KW9", "KW10", "KW11", "KW12", "KW13", "KW14", "KW15", "KW16"};

// Keyword N: its name, template key and control id follow from N, and its
// template line follows DESCRIPTION's (KW1 is line 4).
template <int N>
constexpr FormField KeywordField() {
  return TextField(kKeywordNames[N - 1], control::Keyword(N), kKeywordLimit, kKeywordKeys[N - 1], 3 + N,
                   [](MetaTagForm& f) { return &f.Keyword(N); });
}

constexpr FormField FlagField(const char* name, int id, const char* key, int line, int* (*number)(MetaTagForm&)) {
  return {name, id, FieldKind::Flag, 0, key, line, nullptr, number};
}

constexpr auto kFields = std::to_array<FormField>({
    TextField("Title", control::Title, 80, "TITLE", 2, [](MetaTagForm& f) { return &f.Title; }),
    TextField("ExtraKeywords", control::ExtraKeywords, 255, "KWX", 20, [](MetaTagForm& f) { return &f.ExtraKeywords; }),
    // clang-format off
    KeywordField<9>(), KeywordField<8>(), KeywordField<7>(), KeywordField<6>(), KeywordField<5>(), KeywordField<4>(),
    KeywordField<3>(), KeywordField<2>(), KeywordField<16>(), KeywordField<15>(), KeywordField<14>(),
    TextField("Author", control::Author, 80, "AUTHOR", 21, [](MetaTagForm& f) { return &f.Author; }),
    TextField("Copyright", control::Copyright, 80, "COPYRIGHT", 22, [](MetaTagForm& f) { return &f.Copyright; }),
    TextField("Description", control::Description, 255, "DESCRIPTION", 3,
              [](MetaTagForm& f) { return &f.Description; }),
    KeywordField<1>(), KeywordField<10>(), KeywordField<11>(), KeywordField<12>(), KeywordField<13>(),
    // clang-format on
    TextField("Expires", control::Expires, 0, "EXPIRES", 23, [](MetaTagForm& f) { return &f.Expires; }),
    FlagField("NoCache", control::NoCache, "NOCACHE", 27, [](MetaTagForm& f) { return &f.NoCache; }),
    FlagField("NoImageIndex", control::NoImageIndex, "NOIMGINDEX", 30, [](MetaTagForm& f) { return &f.NoImageIndex; }),
    FlagField("IndexAll", control::IndexAll, "INDEXALL", 29, [](MetaTagForm& f) { return &f.IndexAll; }),
    FlagField("NoIndex", control::NoIndex, "NOINDEX", 28, [](MetaTagForm& f) { return &f.NoIndex; }),
    FlagField("Revisit", control::Revisit, "REVISIT", 26, [](MetaTagForm& f) { return &f.Revisit; }),
    TextField("RedirectUrl", control::RedirectUrl, 120, "REDIRECT", 24, [](MetaTagForm& f) { return &f.RedirectUrl; }),
    FormField{"Distribution", control::Global, FieldKind::Radio, 0, "DISTRIBUTION", 25, nullptr,
              [](MetaTagForm& f) { return &f.Distribution; }},
});

// Every row reaches its value the way its kind says, so no caller meets a
// null accessor.
constexpr bool EveryRowHasItsAccessor() {
  for (const FormField& field : kFields) {
    const bool text = field.Kind == FieldKind::Text;
    if ((field.Text != nullptr) != text || (field.Number != nullptr) == text) return false;
  }
  return true;
}

// The fields fill template lines 2 to 30, each line once.
constexpr bool EveryTemplateLineOnce() {
  std::array<int, kTemplateLineCount + 1> uses{};
  for (const FormField& field : kFields) {
    if (field.TemplateLine < 2 || field.TemplateLine > kTemplateLineCount) return false;
    if (++uses[static_cast<std::size_t>(field.TemplateLine)] > 1) return false;
  }
  return true;
}

static_assert(kFields.size() == kFormFieldCount);
static_assert(kFormFieldCount + 1 == kTemplateLineCount);
static_assert(EveryRowHasItsAccessor());
static_assert(EveryTemplateLineOnce());

}  // namespace

std::span<const FormField, kFormFieldCount> FormFields() { return kFields; }

void ClearAll(MetaTagForm& form) {
  form = MetaTagForm{};
  form.Distribution = kDistributionGlobal;
}

}  // namespace verdo
