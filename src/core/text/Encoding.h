// Character encodings at the page boundary.
//
// The form holds Windows-1252 bytes; pages come in whatever encoding their
// authors chose, today mostly UTF-8. An encoding is named here by its name in
// the WHATWG Encoding Standard ("UTF-8", "windows-1252", "ISO-8859-2",
// "Shift_JIS", ...), the names browsers use; the labels that pages write
// ("utf8", "latin1", "iso-8859-1", "us-ascii", ...) map to those names as
// browsers map them. The core converts UTF-8 and windows-1252 itself; other
// encodings are converted by the platform layer (platform/Charset.h).
//
// A character that the target can't hold is never dropped or changed: it is
// written as a decimal numeric character reference ("&#380;"), which HTML
// reads as that same character.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace verdo {

inline constexpr std::string_view kUtf8 = "UTF-8";
inline constexpr std::string_view kWindows1252 = "windows-1252";
inline constexpr std::string_view kUtf16Le = "UTF-16LE";
inline constexpr std::string_view kUtf16Be = "UTF-16BE";
// Not in the Encoding Standard (browsers don't read it), but a byte-order
// mark can say so, and such a page must be recognised to be refused.
inline constexpr std::string_view kUtf32Le = "UTF-32LE";
inline constexpr std::string_view kUtf32Be = "UTF-32BE";

// The encoding a label names, or nothing for a label browsers don't know.
// ASCII white space around the label is ignored, and so is case:
// " Latin1 " gives "windows-1252". The names returned have static storage.
std::optional<std::string_view> EncodingForLabel(std::string_view label);

// UTF-16 and UTF-32: pages in them can't be cut into lines or have bytes put
// in front of them the way the program reads and writes pages.
bool IsWideEncoding(std::string_view encoding);

struct ByteOrderMark {
  std::string_view Encoding;
  std::size_t Length = 0;  // bytes of the mark itself
};

// The byte-order mark at the start of `start` (the first four bytes of a
// page are enough): UTF-8 EF BB BF, UTF-32LE FF FE 00 00, UTF-32BE
// 00 00 FE FF, UTF-16LE FF FE, UTF-16BE FE FF. Nothing when there is none.
std::optional<ByteOrderMark> SniffByteOrderMark(std::string_view start);

// Tells whether bytes fed to it in pieces of any size are valid UTF-8
// (shortest forms only, no surrogates, nothing above U+10FFFF), and whether
// any of them is not ASCII. A sequence cut between two pieces is still one
// sequence.
class Utf8Check {
 public:
  void Feed(std::string_view bytes);
  // Valid so far; a sequence still waiting for its last bytes doesn't count
  // against it.
  bool ValidSoFar() const { return valid_; }
  // Valid, with nothing left waiting: right for the whole of what was fed.
  bool Valid() const { return valid_ && pending_ == 0; }
  bool SawNonAscii() const { return nonAscii_; }

 private:
  bool valid_ = true;
  bool nonAscii_ = false;
  int pending_ = 0;           // continuation bytes still expected
  unsigned char low_ = 0x80;  // bounds of the next continuation byte
  unsigned char high_ = 0xBF;
};

// The length of the valid UTF-8 sequence at text[i] (shortest form, no
// surrogate, nothing above U+10FFFF), or 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// UTF-8 to code points as browsers decode it: each invalid sequence (its
// longest valid start, or a single byte) becomes U+FFFD.
std::u32string Utf32FromUtf8(std::string_view bytes);
std::string Utf8FromUtf32(std::u32string_view text);

// The decimal numeric character reference of a character: "&#380;".
std::string NumericReference(char32_t ch);

// Unicode into Windows-1252 for the form: every character the code page
// holds becomes its byte, every other one its numeric character reference
// ("ż" gives "&#380;"). The five bytes Windows-1252 leaves undefined come
// back from the C1 controls of the same value (see Windows1252.h).
std::string Cp1252WithReferencesFromUtf32(std::u32string_view text);
std::string Cp1252WithReferencesFromUtf8(std::string_view utf8);

// The form's Windows-1252 text in UTF-8, exactly (every byte has a character).
std::string Utf8FromCp1252(std::string_view text);

// The form's Windows-1252 text as a page in `encoding` holds it: the bytes
// themselves for windows-1252, exactly converted for UTF-8. Nothing for any
// other encoding: the platform layer converts those.
std::optional<std::string> EncodeCp1252ForPage(std::string_view text, std::string_view encoding);

// Text in any encoding that leaves ASCII as ASCII: ASCII stays, every other
// character becomes its numeric character reference. Always right for such
// a page, whatever its encoding; the fallback when nothing converts to it.
std::string AsciiWithReferencesFromCp1252(std::string_view text);

// Bytes of a page in `encoding` (a value read from it) into the form's
// Windows-1252, characters it can't hold as references: the bytes themselves
// for windows-1252, converted for UTF-8. Nothing for any other encoding.
std::optional<std::string> Cp1252FromPageText(std::string_view bytes, std::string_view encoding);

}  // namespace verdo
