#include "platform/TextFile.h"

#include <fstream>
#include <iterator>

#include "core/text/Text.h"

namespace verdo {

std::optional<std::string> ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return CrLfToLf(bytes);
}

}  // namespace verdo
