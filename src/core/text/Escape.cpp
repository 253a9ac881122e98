#include "core/text/Escape.h"

namespace verdo {
namespace {

unsigned char Byte(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

// The length of the valid UTF-8 sequence at text[i] (shortest form, no
// surrogate, nothing above U+10FFFF), or 0 when none starts there.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const unsigned char lead = Byte(text, i);
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  std::size_t length = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = Byte(text, i + k);
    if (next < low || next > high) return 0;
    low = 0x80;
    high = 0xBF;
  }
  return length;
}

bool IsControl(unsigned char byte) { return (byte < 0x20 && byte != '\t') || byte == 0x7F; }

// U+0080 to U+009F: C2 80 to C2 9F.
bool IsC1(std::string_view text, std::size_t i, std::size_t length) {
  return length == 2 && Byte(text, i) == 0xC2 && Byte(text, i + 1) <= 0x9F;
}

void AppendEscape(std::string& out, unsigned char byte) {
  static constexpr char kLetters[] = "abtnvfr";  // \a (7) to \r (13)
  out += '\\';
  if (byte >= '\a' && byte <= '\r' && byte != '\t') {
    out += kLetters[byte - '\a'];
    return;
  }
  out += static_cast<char>('0' + (byte >> 6));
  out += static_cast<char>('0' + ((byte >> 3) & 7));
  out += static_cast<char>('0' + (byte & 7));
}

// `quoted` escapes " and \ too; `lineEnds` keeps LF and CR LF.
std::string Escaped(std::string_view text, bool quoted, bool lineEnds) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char byte = Byte(text, i);
    const std::size_t length = SequenceLength(text, i);
    const bool lineEnd = lineEnds && (byte == '\n' || (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n'));
    if (lineEnd) {
      out += text[i++];
    } else if (length == 0 || (length == 1 && IsControl(byte))) {
      AppendEscape(out, byte);
      ++i;
    } else if (IsC1(text, i, length)) {
      AppendEscape(out, byte);
      AppendEscape(out, Byte(text, i + 1));
      i += 2;
    } else {
      if (quoted && (byte == '"' || byte == '\\')) out += '\\';
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

}  // namespace

std::string EscapeControls(std::string_view text) { return Escaped(text, false, false); }

std::string QuoteName(std::string_view name) {
  std::string escaped = Escaped(name, true, false);
  if (escaped == name) return escaped;
  return '"' + escaped + '"';
}

std::string EscapeForTerminal(std::string_view text) { return Escaped(text, false, true); }

}  // namespace verdo
