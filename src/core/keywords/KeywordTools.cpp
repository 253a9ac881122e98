#include "core/keywords/KeywordTools.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "core/text/Text.h"

namespace verdo {

std::string CapitaliseWords(std::string_view text, std::string_view separators) {
  std::string out;
  out.reserve(text.size());
  bool capital = true;
  for (char c : text) {
    out += capital ? ToUpperAscii(c) : ToLowerAscii(c);
    capital = separators.find(c) != std::string_view::npos;
  }
  return out;
}

KeywordList ShuffleKeywords(KeywordList keywords, KeywordRandom& random) {
  // The i-th non-empty value in list order stands for position i, so the
  // keywords trade places among themselves wherever they stand.
  std::array<std::size_t, std::tuple_size_v<KeywordList>> filled{};
  std::size_t n = 0;
  for (std::size_t k = 0; k < keywords.size(); ++k) {
    if (!keywords[k].empty()) filled[n++] = k;
  }
  if (n < 1) return keywords;
  for (int round = 0; round < 300; ++round) {
    const std::size_t i = static_cast<std::size_t>(random.Draw()) % n;
    const std::size_t j = static_cast<std::size_t>(random.Draw()) % n;
    std::swap(keywords[filled[i]], keywords[filled[j]]);
  }
  return keywords;
}

namespace {

template <typename Map>
void MapKeywords(MetaTagForm& form, Map map) {
  for (auto& keyword : form.Keywords) keyword = map(keyword, kKeywordSeparators);
  form.ExtraKeywords = map(form.ExtraKeywords, kExtraKeywordSeparators);
}

}  // namespace

void UppercaseKeywords(MetaTagForm& form) {
  MapKeywords(form, [](std::string_view k, std::string_view) { return ToUpperAscii(k); });
}

void LowercaseKeywords(MetaTagForm& form) {
  MapKeywords(form, [](std::string_view k, std::string_view) { return ToLowerAscii(k); });
}

void CapitaliseKeywords(MetaTagForm& form) {
  MapKeywords(form, [](std::string_view k, std::string_view separators) { return CapitaliseWords(k, separators); });
}

void ReverseKeywords(MetaTagForm& form) { std::reverse(form.Keywords.begin(), form.Keywords.end()); }

void ShuffleKeywords(MetaTagForm& form, KeywordRandom& random) {
  form.Keywords = ShuffleKeywords(std::move(form.Keywords), random);
}

void ClearKeywords(MetaTagForm& form) {
  for (auto& keyword : form.Keywords) keyword.clear();
  form.ExtraKeywords.clear();
}

}  // namespace verdo
