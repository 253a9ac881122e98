// Windows-1252, the code page of the form, of pages and of template files.
// The widgets show Unicode; the form keeps bytes. These two maps are the
// only place where the two meet.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verdo {

// Every byte has a character: the five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// value, so any byte string survives the trip to the screen and back.
char32_t UnicodeFromCp1252(unsigned char byte);

// The byte for a character, or nothing when Windows-1252 can't hold it.
std::optional<unsigned char> Cp1252FromUnicode(char32_t ch);

// Whole strings. Cp1252FromUtf32 fails (nothing) on the first character the
// code page can't hold, rather than silently changing it.
std::u32string Utf32FromCp1252(std::string_view bytes);
std::optional<std::string> Cp1252FromUtf32(std::u32string_view text);

}  // namespace verdo
