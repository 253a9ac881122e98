#include "core/text/Escape.h"

#include "core/text/Encoding.h"

namespace verdo {
namespace {

unsigned char Byte(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

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
    const std::size_t length = Utf8SequenceLength(text, i);
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
