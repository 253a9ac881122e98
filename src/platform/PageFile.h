// Pages read whole for export --keep-head and audit, and written back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Outcome.h"

namespace verdo {

// No page of a site comes near this; a file that does is not read.
constexpr std::uint64_t kMaxPageBytes = std::uint64_t{64} << 20;

struct PageRead {
  enum class Status { Read, Missing, Refused };
  Status State = Status::Refused;
  std::string Reason;  // why it was refused, in a few lower-case words
};

// Reads the regular file at `path` whole into `bytes` (whose memory is
// reused from page to page). Refused: a folder, a FIFO, a device, a file of
// more than kMaxPageBytes, a read error. A FIFO doesn't hold the program up.
PageRead ReadPageFile(const std::string& path, std::string& bytes);
// The same from an open file or pipe (standard input), read from where it
// stands up to its end; past kMaxPageBytes it is refused.
PageRead ReadPageFile(int fd, std::string& bytes);

// Replaces the page at `path` with `bytes` exactly, safely (see FileAccess.h).
Outcome WritePageFile(const std::string& path, std::string_view bytes);

}  // namespace verdo
