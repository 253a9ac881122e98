#include "platform/PageFile.h"

#include <algorithm>
#include <cerrno>

#include "platform/FileAccess.h"

namespace verdo {

namespace {

PageRead Refused(std::string reason) { return {PageRead::Status::Refused, std::move(reason)}; }

// Reads `fd` to its end into `bytes`, starting with room for `expected`
// bytes and one more: the size may change while it is read.
PageRead ReadPageBytes(int fd, std::size_t expected, std::string& bytes) {
  bytes.resize(expected + 1);
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (bytes.size() > kMaxPageBytes) return Refused("larger than 64 MiB");
      bytes.resize(std::min<std::size_t>(bytes.size() * 2, kMaxPageBytes + 1));
    }
    const ssize_t got = ReadSome(fd, bytes.data() + have, bytes.size() - have);
    if (got < 0) return Refused(ErrorText(errno));
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  bytes.resize(have);
  return {PageRead::Status::Read, {}};
}

}  // namespace

PageRead ReadPageFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  ReadableFile page = OpenForReading(path);
  if (page.Missing) return {PageRead::Status::Missing, {}};
  if (!page.Result) return Refused(page.Result.Reason);
  if (page.Size > kMaxPageBytes) return Refused("larger than 64 MiB");
  return ReadPageBytes(page.File.Get(), static_cast<std::size_t>(page.Size), bytes);
}

PageRead ReadPageFile(int fd, std::string& bytes) { return ReadPageBytes(fd, 64 * 1024, bytes); }

Outcome WritePageFile(const std::string& path, std::string_view bytes) {
  return ReplaceFile(path, [bytes](int fd) {
    return WriteAll(fd, bytes.data(), bytes.size()) ? Outcome::Done() : Outcome::Failed(ErrorText(errno));
  });
}

}  // namespace verdo
