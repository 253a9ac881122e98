// Byte-string helpers shared by every part of the core.
// The form's text is Windows-1252: one byte a character, lengths in bytes.
#pragma once

#include <string>
#include <string_view>

namespace verdo {

// Blank, tab, CR, LF, vertical tab and form feed: what trimming removes.
bool IsTrimSpace(char c);
std::string_view TrimBoth(std::string_view text);
std::string_view TrimRight(std::string_view text);

// Only "a" to "z" and "A" to "Z" change; every other byte, 0x80 to 0xFF
// included, stays as it is, whatever the locale.
char ToUpperAscii(char c);
char ToLowerAscii(char c);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);

// Text files on disk end their lines with CR LF; in memory a line ends with LF.
// Reading turns each CR LF pair into LF (a lone CR stays); writing turns each
// LF into CR LF.
std::string CrLfToLf(std::string_view text);
std::string LfToCrLf(std::string_view text);

// The text after the last "." of the file name (not of the folders), or empty.
std::string FileExtension(std::string_view path);

}  // namespace verdo
