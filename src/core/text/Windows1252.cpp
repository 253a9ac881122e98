#include "core/text/Windows1252.h"

#include <array>

namespace verdo {
namespace {

// 0x80 to 0x9F; the gaps keep their own value (see the header).
constexpr std::array<char32_t, 32> kHighControls = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char32_t UnicodeFromCp1252(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

std::optional<unsigned char> Cp1252FromUnicode(char32_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<unsigned char>(ch);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == ch) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

std::u32string Utf32FromCp1252(std::string_view bytes) {
  std::u32string out;
  out.reserve(bytes.size());
  for (char c : bytes) out += UnicodeFromCp1252(static_cast<unsigned char>(c));
  return out;
}

std::optional<std::string> Cp1252FromUtf32(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t ch : text) {
    const auto byte = Cp1252FromUnicode(ch);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
  }
  return out;
}

}  // namespace verdo
