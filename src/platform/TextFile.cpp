#include "platform/TextFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include "core/pages/ExportPage.h"
#include "core/text/CrLfStream.h"
#include "core/text/Text.h"

namespace verdo {

namespace {

// Large enough that the system calls cost little next to the copying, small
// enough that a page of any size runs in a few MiB.
constexpr std::size_t kChunk = 1 << 20;

QString ToQtPath(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

// A file that exists but that this user may not write is refused here,
// although renaming over it would succeed: the rename needs only the folder.
// A name that doesn't exist yet is left to the temporary file, which can
// only be made where the folder is writable.
bool MayReplace(const std::string& path) {
  if (path.empty()) return false;
  if (::access(path.c_str(), W_OK) == 0) return true;
  return errno == ENOENT;
}

// Reads up to `size` bytes, going on after interruptions; -1 on error.
ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Opens a temporary file beside the target, lets `fill` write into it, and
// renames it over the target once it is complete and on disk. QSaveFile
// discards the temporary file on any failure, write errors included.
//
// Qt names files in UTF-8: a name that isn't valid UTF-8 would come out as
// another name, so such a file is refused rather than a wrong one written.
template <typename Fill>
bool ReplaceFile(const std::string& path, Fill&& fill) {
  if (!MayReplace(path)) return false;
  const QString qtPath = ToQtPath(path);
  if (QFile::encodeName(qtPath).toStdString() != path) return false;
  QSaveFile file(qtPath);
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  // The new file takes the place of the old one: keep its owner and group
  // too where this user may (root rewriting someone's page, say).
  struct stat old;
  if (::stat(path.c_str(), &old) == 0) (void)::fchown(file.handle(), old.st_uid, old.st_gid);
  if (!fill(file)) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

bool WriteAll(QSaveFile& file, std::string_view bytes) {
  return file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
         static_cast<qint64>(bytes.size());
}

}  // namespace

std::optional<std::string> ReadTextFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  std::string buffer(64 * 1024, '\0');
  ssize_t got;
  while ((got = ReadSome(fd, buffer.data(), buffer.size())) > 0)
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  ::close(fd);
  if (got < 0) return std::nullopt;  // a folder, a read error
  return CrLfToLf(bytes);
}

bool WriteTextFile(const std::string& path, std::string_view text) {
  const std::string bytes = LfToCrLf(text);
  return ReplaceFile(path, [&](QSaveFile& file) { return WriteAll(file, bytes); });
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  return ReplaceFile(path, [&](QSaveFile& file) { return WriteAll(file, bytes); });
}

ExportSource::ExportSource(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    status_ = errno == ENOENT ? Status::Missing : Status::Unreadable;
    return;
  }
  std::string buffer(kChunk, '\0');
  HeadEndScanner scanner;
  PageCharsetScanner charset;
  std::uint64_t offset = 0;  // of the buffer's first byte in the file
  for (;;) {
    const ssize_t got = ReadSome(fd_, buffer.data(), buffer.size());
    if (got < 0) return;  // a folder, a read error: unreadable
    if (got == 0) break;
    const std::string_view piece(buffer.data(), static_cast<std::size_t>(got));
    const auto tailStart = scanner.Feed(piece);
    charset.FeedHead(piece.substr(0, tailStart.value_or(piece.size())));
    if (tailStart) {
      keepFrom_ = offset + *tailStart;
      charset.FeedRest(piece.substr(*tailStart));
      // Found only when some byte follows the closing line.
      if (*tailStart < static_cast<std::size_t>(got)) {
        found_ = true;
      } else {
        const ssize_t more = ReadSome(fd_, buffer.data(), 1);
        if (more < 0) return;
        found_ = more > 0;
        charset.FeedRest(std::string_view(buffer.data(), static_cast<std::size_t>(more)));
      }
      break;
    }
    offset += static_cast<std::uint64_t>(got);
  }
  // Whether the page is UTF-8 can take the rest of it to tell.
  while (found_ && charset.WantsMore()) {
    const ssize_t got = ReadSome(fd_, buffer.data(), buffer.size());
    if (got < 0) return;
    if (got == 0) break;
    charset.FeedRest(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
  charset_ = charset.Result();
  // Cut into lines and written as text, a page of two- or four-byte units
  // would be destroyed: it is refused as a page that can't be read.
  if (IsWideEncoding(charset_.Encoding)) return;
  // Not found: the whole old page stays behind the new head section, less
  // its byte-order mark, which the new start carries.
  if (!found_) keepFrom_ = charset_.BomLength;
  status_ = Status::Read;
}

ExportSource::~ExportSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool ExportSource::WriteExport(const std::string& target, std::string_view start) {
  if (status_ == Status::Unreadable) return false;
  const std::string head = LfToCrLf(start);
  return ReplaceFile(target, [&](QSaveFile& file) {
    if (!WriteAll(file, head)) return false;
    if (status_ == Status::Missing) return true;
    if (::lseek(fd_, static_cast<off_t>(keepFrom_), SEEK_SET) < 0) return false;
    std::string in(kChunk, '\0');
    std::string out;
    out.reserve(2 * kChunk);
    CrLfStream convert;
    for (;;) {
      const ssize_t got = ReadSome(fd_, in.data(), in.size());
      if (got < 0) return false;
      if (got == 0) return true;
      if (!WriteAll(file, convert.Converted(std::string_view(in.data(), static_cast<std::size_t>(got)), out)))
        return false;
    }
  });
}

}  // namespace verdo
