// Text files on disk: CR LF line ends there, LF in memory.
//
// Every write replaces its target safely: the bytes go to a temporary file in
// the target's folder, which is flushed to disk and then renamed over the
// target, so a file holds either its old content or the whole new one, even
// when the program is killed or the disk fills up. The target's permission
// bits are kept, and a symbolic link is written through to the file it names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/pages/PageCharset.h"

namespace verdo {

// The whole file with each CR LF read as LF; nothing when it can't be
// opened or read.
std::optional<std::string> ReadTextFile(const std::string& path);

// Replaces the file at `path` with `text`, each LF written as CR LF. False,
// with the target left as it was and no temporary file behind, when the target
// can't be written: a file this user may not write, a folder where no file can
// be made, a full disk or any other write error.
bool WriteTextFile(const std::string& path, std::string_view text);

// The same safe replace with `bytes` exactly as they are, LF left alone.
bool WriteFileBytes(const std::string& path, std::string_view bytes);

// A page opened for Export. Opening it scans it up to the line that closes
// its head section; the file stays open, and the part of it that the
// exported page keeps is copied in pieces when the new page is written, so
// a page of any size is never held in memory.
class ExportSource {
 public:
  enum class Status {
    Read,        // read and scanned
    Missing,     // no file of that name (yet)
    Unreadable,  // there is a file, but it can't be opened or read, or is in UTF-16 or UTF-32
  };

  explicit ExportSource(const std::string& path);
  ~ExportSource();
  ExportSource(const ExportSource&) = delete;
  ExportSource& operator=(const ExportSource&) = delete;

  Status State() const { return status_; }
  // A closing line with at least one byte after it.
  bool Found() const { return found_; }
  // The page's encoding, from its byte-order mark, a declaration in the head
  // part, or its bytes (UTF-8 when all of the page is, with some non-ASCII).
  const PageCharset& Charset() const { return charset_; }

  // Writes the exported page to `target`: `start` (the new head section, LF
  // line ends), then what stays of this page (the tail after the closing line
  // when found, the whole page when not, nothing when it is missing), with
  // CR LF line ends, replacing the target safely as WriteTextFile does.
  // False when the page can't be read back or the target can't be written;
  // the target is then left as it was. Never writes over an unreadable page.
  bool WriteExport(const std::string& target, std::string_view start);

 private:
  int fd_ = -1;
  Status status_ = Status::Unreadable;
  std::uint64_t keepFrom_ = 0;  // where the kept part begins, in bytes of the file
  bool found_ = false;
  PageCharset charset_;
};

}  // namespace verdo
