#include "platform/PageFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/TextFile.h"

namespace verdo {

namespace {

PageRead Refused(std::string reason) { return {PageRead::Status::Refused, std::move(reason)}; }

std::string Lowered(const char* text) {
  std::string out = text;
  if (!out.empty() && out[0] >= 'A' && out[0] <= 'Z') out[0] = static_cast<char>(out[0] - 'A' + 'a');
  return out;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

PageRead ReadPageFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const Fd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) {
    if (errno == ENOENT) return {PageRead::Status::Missing, {}};
    return Refused(Lowered(std::strerror(errno)));
  }
  struct stat info;
  if (::fstat(file.Get(), &info) != 0) return Refused(Lowered(std::strerror(errno)));
  if (!S_ISREG(info.st_mode)) return Refused("not a regular file");
  if (static_cast<std::uint64_t>(info.st_size) > kMaxPageBytes) return Refused("file too large");
  // The size may change while it is read: read up to one byte past the limit.
  bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (bytes.size() > kMaxPageBytes) return Refused("file too large");
      bytes.resize(std::min<std::size_t>(bytes.size() * 2, kMaxPageBytes + 1));
    }
    const ssize_t got = ::read(file.Get(), bytes.data() + have, bytes.size() - have);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Refused(Lowered(std::strerror(errno)));
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  bytes.resize(have);
  return {PageRead::Status::Read, {}};
}

bool WritePageFile(const std::string& path, std::string_view bytes) { return WriteFileBytes(path, bytes); }

}  // namespace verdo
