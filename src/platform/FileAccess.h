// The ways this program opens files, so that no file can hurt it or the user:
// a symbolic link, a FIFO, a device, a huge file or a disk whose syncs fail.
//
// Reading: only regular files, opened without blocking (a FIFO can't hold the
// program up), every read bounded by its caller.
//
// Naming: a name is looked up once, one component at a time, and from then on
// only descriptors are used: the folder held open, the file opened relative
// to it. A symbolic link, on the way or at the end, is followed only when its
// owner is the user running the program or the owner of what it leads to (a
// name not there yet: the owner of the folder it would be made in), so that
// a link planted by another user never leads into someone else's file.
//
// Replacing: the new bytes go to a temporary file in the target's folder,
// which gets the old file's whole mode, owner, access control list and
// extended attributes, is synced (and the sync checked), and is then renamed
// over the target; the folder is synced after. The temporary file has no
// name until it is complete, so a killed program leaves at most a complete
// copy ("NAME.XXXXXX") behind. The rename breaks a hard link: the file's
// other names keep the old text.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Outcome.h"

namespace verdo {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// A file descriptor, closed when it goes.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor();

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  // Closes now; false (errno set) when closing reports an error.
  bool Close();

 private:
  int fd_ = -1;
};

// Reads up to `size` bytes, going on after interruptions; -1 on error.
ssize_t ReadSome(int fd, char* buffer, std::size_t size);
// Writes all the bytes, going on after interruptions and short writes.
bool WriteAll(int fd, const char* data, std::size_t size);

class ReplaceBatch;
using Fill = std::function<Outcome(int fd)>;

// A page (or any file) looked up once: the folder that holds it, held open,
// its name there, and what that name was when looked up. Reading it and
// replacing it both work from that one lookup, so the file replaced is the
// file read, whatever names change meanwhile.
class OpenedPage {
 public:
  // `path` looked up from the current folder (or the root), links followed
  // as the header says; with `followLastLink` false, a link at the end is
  // taken as it is (not a regular file).
  static OpenedPage Resolve(const std::string& path, bool followLastLink = true);
  // The entry `name` of the folder `folder` (a descriptor the caller keeps),
  // shown in messages as `shown`.
  static OpenedPage ResolveIn(int folder, const std::string& name, std::string shown);

  OpenedPage(OpenedPage&&) noexcept = default;
  OpenedPage& operator=(OpenedPage&&) noexcept = default;

  // Opens the file for reading: only a regular file, never waited on, and
  // never a device, not even for an instant. Missing() tells a name that
  // isn't there from one that can't be read.
  Outcome Open();
  bool Missing() const { return missing_; }
  bool IsFolder() const { return resolved_ && object_.Valid() && S_ISDIR(status_.st_mode); }
  // When the name is a folder: that folder, opened for reading its entries
  // (errno set when it can't be).
  Descriptor OpenFolder() const;
  int File() const { return file_.Get(); }
  Descriptor TakeFile() { return std::move(file_); }
  std::uint64_t Size() const { return size_; }
  // The name as given (or as the walk shows it).
  const std::string& Shown() const { return shown_; }

  // Replaces the file (or makes it, when the name isn't there) with what
  // `fill` writes, in the folder looked up: nothing is looked up by path
  // again. Refused, the file left as it was and nothing left behind: what
  // the lookup refused, a file that isn't regular, a name that isn't valid
  // UTF-8, a file this user may not write, metadata that can't be kept, and
  // any write, sync or close error. Within a batch the last steps (sync,
  // rename, the folder's sync) are the batch's, and so are their failures.
  Outcome Replace(const Fill& fill, ReplaceBatch* batch = nullptr);

 private:
  friend class ScratchFile;
  friend class ReplaceBatch;
  OpenedPage() = default;
  static OpenedPage LookedUp(int start, const std::string& path, bool followLast, std::string shown);

  Outcome resolved_;
  bool missing_ = false;
  bool utf8_ = true;   // the name, and every link followed, valid UTF-8
  Descriptor folder_;  // without rights of its own (O_PATH)
  std::string leaf_;
  Descriptor object_;  // what the name held when looked up (O_PATH), if anything
  struct stat status_ {};
  Descriptor file_;  // opened for reading
  std::uint64_t size_ = 0;
  std::string shown_;
};

// A regular file opened for reading; Missing when no file has that name.
struct ReadableFile {
  Descriptor File;
  Outcome Result;
  bool Missing = false;
  std::uint64_t Size = 0;
};
ReadableFile OpenForReading(const std::string& path);

// The call that puts a file's bytes on disk (fsync). Tests put one in its
// place that fails, as a disk does when it can't keep what it took; the
// previous call is returned so that it can be put back.
using SyncCall = int (*)(int fd);
SyncCall ReplaceSyncCall(SyncCall call);

// Replaces the file at `path` (through symbolic links, as OpenedPage follows
// them) with what `fill` writes into the descriptor it gets. Refused, the target left as it was and
// nothing left behind: a target that exists and isn't a regular file, a
// name that isn't valid UTF-8, a file this user may not write, metadata that
// can't be kept, and any write, sync or close error.
Outcome ReplaceFile(const std::string& path, const Fill& fill);

// A scratch file for a download.
class ScratchFile {
 public:
  // One without a name, in `folder`: nothing of it outlives the process.
  static ScratchFile Nameless(const std::string& folder);
  // One in the folder of `path`, given that name by Keep(). A `path` that
  // exists and isn't a regular file (a link, a FIFO, a device, a folder) is
  // refused and left alone.
  static ScratchFile Beside(const std::string& path);

  ScratchFile(ScratchFile&& other) noexcept;
  ScratchFile& operator=(ScratchFile&&) = delete;
  ~ScratchFile();

  int Fd() const { return file_.Get(); }
  const Outcome& Result() const { return result_; }
  // The errno of a scratch file that couldn't be made, 0 for a refusal.
  int Error() const { return error_; }
  // The file's name to be (Beside) or its folder (Nameless).
  const std::string& Name() const { return name_; }
  // Beside: gives the complete file its name, in place of the old file
  // (Nameless: nothing to do).
  Outcome Keep();
  // Beside: after a failed download, an earlier file of that name (a regular
  // one) goes too, so that no earlier page is taken for this one.
  void Discard();

 private:
  ScratchFile() = default;
  bool NameHoldsRegularFile(bool& there) const;
  Descriptor file_;
  Outcome result_;
  int error_ = 0;
  bool beside_ = false;
  std::string name_;
  Descriptor folder_;  // Beside: the folder, held from the start
  std::string leaf_;
  std::string temporaryName_;  // a name it has had since it was made, if any
};

}  // namespace verdo
