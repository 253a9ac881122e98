// The keyword tools: re-casing, reversing, shuffling and clearing the
// keyword fields.
// Case mapping changes the ASCII letters only (see core/text/Text.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/form/MetaTagForm.h"

namespace verdo {

// Separator bytes after which CapitaliseWords starts a new word: a keyword
// field's words end at a blank; the extra keywords' also at a comma.
inline constexpr std::string_view kKeywordSeparators = " ";
inline constexpr std::string_view kExtraKeywordSeparators = " ,";

// The first byte and every byte straight after a separator byte in upper
// case, every other byte in lower case.
std::string CapitaliseWords(std::string_view text, std::string_view separators);

// The 32-bit linear congruential generator of Randomize. The same seed always
// gives the same draws.
class KeywordRandom {
 public:
  explicit KeywordRandom(std::uint32_t seed) : state_(seed) {}

  // A number from 0 to 32767.
  int Draw() {
    state_ = state_ * 214013u + 2531011u;  // wraps modulo 2^32
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  std::uint32_t state_;
};

using KeywordList = std::array<std::string, 16>;

// 300 exchanges of two of the n non-empty values (a value of blanks counts
// as non-empty), drawn as positions 0 to n-1 among them in list order. Empty
// values never move; when the keywords fill the first n places, this is a
// plain exchange of positions drawn from 0 to n-1.
KeywordList ShuffleKeywords(KeywordList keywords, KeywordRandom& random);

// The form-level tools. The case tools cover Keyword1 to Keyword16 and
// ExtraKeywords; Reverse and Shuffle the sixteen only.
void UppercaseKeywords(MetaTagForm& form);
void LowercaseKeywords(MetaTagForm& form);
void CapitaliseKeywords(MetaTagForm& form);
void ReverseKeywords(MetaTagForm& form);
void ShuffleKeywords(MetaTagForm& form, KeywordRandom& random);
// Keyword1 to Keyword16 and ExtraKeywords empty.
void ClearKeywords(MetaTagForm& form);

}  // namespace verdo
