// Text files on disk: CR LF line ends there, LF in memory.
#pragma once

#include <optional>
#include <string>

namespace verdo {

// The whole file with each CR LF read as LF; nothing when it can't be
// opened or read.
std::optional<std::string> ReadTextFile(const std::string& path);

}  // namespace verdo
