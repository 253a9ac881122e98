#include "core/text/CrLfStream.h"

#include <cstring>

namespace verdo {

void CrLfStream::Convert(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const void* lf = std::memchr(bytes.data() + i, '\n', n - i);
    const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data()) : n;
    if (end > i) {
      out.append(bytes.data() + i, end - i);
      afterCr_ = bytes[end - 1] == '\r';
    }
    if (!lf) break;
    if (!afterCr_) out += '\r';
    out += '\n';
    afterCr_ = false;
    i = end + 1;
  }
}

std::string_view CrLfStream::Converted(std::string_view bytes, std::string& scratch) {
  // Is there a LF that doesn't follow a CR? memchr jumps from line end to
  // line end much faster than a look at every byte.
  bool lone = false;
  for (std::size_t i = 0; i < bytes.size() && !lone;) {
    const void* lf = std::memchr(bytes.data() + i, '\n', bytes.size() - i);
    if (!lf) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data());
    lone = at == 0 ? !afterCr_ : bytes[at - 1] != '\r';
    i = at + 1;
  }
  if (!lone) {
    if (!bytes.empty()) afterCr_ = bytes.back() == '\r';
    return bytes;
  }
  scratch.clear();
  Convert(bytes, scratch);
  return scratch;
}

}  // namespace verdo
