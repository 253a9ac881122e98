#include "core/form/MetaTagForm.h"

namespace verdo {
namespace {

template <int N>
std::string* KeywordText(MetaTagForm& f) { return &f.Keyword(N); }

constexpr int kKeywordLimit = 20;

FormField Kw(const char* name, int n, std::string* (*text)(MetaTagForm&)) {
  return {name, control::Keyword(n), FieldKind::Text, kKeywordLimit, text, nullptr};
}

FormField Flag(const char* name, int id, int* (*number)(MetaTagForm&)) {
  return {name, id, FieldKind::Flag, 0, nullptr, number};
}

}  // namespace

const std::array<FormField, 29>& FormFields() {
  static const std::array<FormField, 29> fields = {{
      {"Title", control::Title, FieldKind::Text, 80, [](MetaTagForm& f) { return &f.Title; }, nullptr},
      {"ExtraKeywords", control::ExtraKeywords, FieldKind::Text, 255, [](MetaTagForm& f) { return &f.ExtraKeywords; }, nullptr},
      Kw("Keyword9", 9, KeywordText<9>),
      Kw("Keyword8", 8, KeywordText<8>),
      Kw("Keyword7", 7, KeywordText<7>),
      Kw("Keyword6", 6, KeywordText<6>),
      Kw("Keyword5", 5, KeywordText<5>),
      Kw("Keyword4", 4, KeywordText<4>),
      Kw("Keyword3", 3, KeywordText<3>),
      Kw("Keyword2", 2, KeywordText<2>),
      Kw("Keyword16", 16, KeywordText<16>),
      Kw("Keyword15", 15, KeywordText<15>),
      Kw("Keyword14", 14, KeywordText<14>),
      {"Author", control::Author, FieldKind::Text, 80, [](MetaTagForm& f) { return &f.Author; }, nullptr},
      {"Copyright", control::Copyright, FieldKind::Text, 80, [](MetaTagForm& f) { return &f.Copyright; }, nullptr},
      {"Description", control::Description, FieldKind::Text, 255, [](MetaTagForm& f) { return &f.Description; }, nullptr},
      Kw("Keyword1", 1, KeywordText<1>),
      Kw("Keyword10", 10, KeywordText<10>),
      Kw("Keyword11", 11, KeywordText<11>),
      Kw("Keyword12", 12, KeywordText<12>),
      Kw("Keyword13", 13, KeywordText<13>),
      {"Expires", control::Expires, FieldKind::Text, 0, [](MetaTagForm& f) { return &f.Expires; }, nullptr},
      Flag("NoCache", control::NoCache, [](MetaTagForm& f) { return &f.NoCache; }),
      Flag("NoImageIndex", control::NoImageIndex, [](MetaTagForm& f) { return &f.NoImageIndex; }),
      Flag("IndexAll", control::IndexAll, [](MetaTagForm& f) { return &f.IndexAll; }),
      Flag("NoIndex", control::NoIndex, [](MetaTagForm& f) { return &f.NoIndex; }),
      Flag("Revisit", control::Revisit, [](MetaTagForm& f) { return &f.Revisit; }),
      {"RedirectUrl", control::RedirectUrl, FieldKind::Text, 120, [](MetaTagForm& f) { return &f.RedirectUrl; }, nullptr},
      {"Distribution", control::Global, FieldKind::Radio, 0, nullptr, [](MetaTagForm& f) { return &f.Distribution; }},
  }};
  return fields;
}

void ClearAll(MetaTagForm& form) {
  form = MetaTagForm{};
  form.Distribution = kDistributionGlobal;
}

}  // namespace verdo
