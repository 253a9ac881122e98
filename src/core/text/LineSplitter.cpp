#include "core/text/LineSplitter.h"

#include <cstring>

namespace verdo {

void LineSplitter::CarryOver(std::string_view bytes) {
  const std::size_t room = maxLineBytes_ - carried_.size();
  if (bytes.size() > room) {
    overlong_ = true;
    bytes = bytes.substr(0, room);
  }
  carried_.append(bytes);
}

bool LineSplitter::Feed(std::string_view bytes, const OnLine& onLine) {
  while (!stopped_ && !bytes.empty()) {
    const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
    if (!lf) {
      CarryOver(bytes);
      break;
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data()) + 1;
    const std::string_view line = bytes.substr(0, length);
    bytes.remove_prefix(length);
    bool going;
    if (carried_.empty() && !overlong_) {
      going = line.size() <= maxLineBytes_ ? onLine(line, true) : onLine(line.substr(0, maxLineBytes_), false);
    } else {
      CarryOver(line);
      going = onLine(carried_, !overlong_);
      carried_.clear();
      overlong_ = false;
    }
    stopped_ = !going;
  }
  return !stopped_;
}

}  // namespace verdo
