#include "core/form/MetaTagForm.h"

namespace verdo {
namespace {

constexpr int kKeywordLimit = 20;

constexpr FormField TextField(const char* name, int id, int limit, const char* key, int line,
                              std::string* (*text)(MetaTagForm&)) {
  return {name, id, FieldKind::Text, limit, key, line, text, nullptr};
}

// Keyword N's template line follows DESCRIPTION's: KW1 is line 4.
template <int N>
constexpr FormField KeywordField(const char* name, const char* key) {
  return TextField(name, control::Keyword(N), kKeywordLimit, key, 3 + N,
                   [](MetaTagForm& f) { return &f.Keyword(N); });
}

constexpr FormField FlagField(const char* name, int id, const char* key, int line, int* (*number)(MetaTagForm&)) {
  return {name, id, FieldKind::Flag, 0, key, line, nullptr, number};
}

constexpr auto kFields = std::to_array<FormField>({
    TextField("Title", control::Title, 80, "TITLE", 2, [](MetaTagForm& f) { return &f.Title; }),
    TextField("ExtraKeywords", control::ExtraKeywords, 255, "KWX", 20,
              [](MetaTagForm& f) { return &f.ExtraKeywords; }),
    KeywordField<9>("Keyword9", "KW9"),
    KeywordField<8>("Keyword8", "KW8"),
    KeywordField<7>("Keyword7", "KW7"),
    KeywordField<6>("Keyword6", "KW6"),
    KeywordField<5>("Keyword5", "KW5"),
    KeywordField<4>("Keyword4", "KW4"),
    KeywordField<3>("Keyword3", "KW3"),
    KeywordField<2>("Keyword2", "KW2"),
    KeywordField<16>("Keyword16", "KW16"),
    KeywordField<15>("Keyword15", "KW15"),
    KeywordField<14>("Keyword14", "KW14"),
    TextField("Author", control::Author, 80, "AUTHOR", 21, [](MetaTagForm& f) { return &f.Author; }),
    TextField("Copyright", control::Copyright, 80, "COPYRIGHT", 22, [](MetaTagForm& f) { return &f.Copyright; }),
    TextField("Description", control::Description, 255, "DESCRIPTION", 3,
              [](MetaTagForm& f) { return &f.Description; }),
    KeywordField<1>("Keyword1", "KW1"),
    KeywordField<10>("Keyword10", "KW10"),
    KeywordField<11>("Keyword11", "KW11"),
    KeywordField<12>("Keyword12", "KW12"),
    KeywordField<13>("Keyword13", "KW13"),
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

}  // namespace verdo
