#include "platform/FileAccess.h"

#include <acl/libacl.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text/Encoding.h"
#include "platform/ReplaceBatch.h"

namespace verdo {

std::string Lowered(std::string text) {
  const auto upper = [&text](std::size_t i) { return i < text.size() && text[i] >= 'A' && text[i] <= 'Z'; };
  if (upper(0) && !upper(1)) text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

std::string ErrorText(int error) { return Lowered(std::strerror(error)); }

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

Descriptor::~Descriptor() { Close(); }

int Descriptor::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

bool Descriptor::Close() {
  if (fd_ < 0) return true;
  return ::close(Release()) == 0;
}

ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

namespace {

SyncCall syncCall = &::fsync;

constexpr int kMaxLinks = 40;  // as the kernel follows them

Outcome FailedWithErrno() { return Outcome::Failed(ErrorText(errno)); }

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

bool LinkMayBeFollowed(uid_t linkOwner, uid_t targetOwner) {
  return linkOwner == ::geteuid() || linkOwner == targetOwner;
}

// What a name led to when it was looked up.
struct Lookup {
  Descriptor Folder;  // O_PATH: the folder that holds Leaf
  std::string Leaf;
  Descriptor Object;  // O_PATH: what Leaf named, or nothing
  struct stat Status {};
  bool Utf8 = true;
};

Outcome LookUp(int start, std::string_view path, bool followLast, int& links, Lookup& out);

// Follows the link `link` (an O_PATH descriptor of it, in the folder `at`)
// to what it names, if its owner may lead this user there.
Outcome FollowLink(int at, int link, uid_t owner, int& links, Lookup& out) {
  if (++links > kMaxLinks) return Outcome::Failed(ErrorText(ELOOP));
  std::string text(PATH_MAX, '\0');
  const ssize_t size = ::readlinkat(link, "", text.data(), text.size());
  if (size < 0) return FailedWithErrno();
  if (static_cast<std::size_t>(size) == text.size()) return Outcome::Failed(ErrorText(ENAMETOOLONG));
  text.resize(static_cast<std::size_t>(size));
  if (Outcome found = LookUp(at, text, true, links, out); !found) return found;
  // A name not there yet would be made in its folder: that folder's owner counts.
  struct stat target = out.Status;
  if (!out.Object.Valid() && ::fstat(out.Folder.Get(), &target) != 0) return FailedWithErrno();
  if (!LinkMayBeFollowed(owner, target.st_uid)) return Outcome::Failed("link to another owner's file");
  return Outcome::Done();
}

std::vector<std::string_view> NamesOf(std::string_view path) {
  std::vector<std::string_view> names;
  for (std::size_t at = 0; at < path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    if (end > at) names.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  if (names.empty()) names.push_back(".");  // "/" alone, say
  return names;
}

// Looks `path` up from the folder `start` (or the root), one name at a time,
// each folder held while the next name is looked up in it.
Outcome LookUp(int start, std::string_view path, bool followLast, int& links, Lookup& out) {
  if (path.empty()) return Outcome::Failed(ErrorText(ENOENT));
  bool utf8 = IsValidUtf8(path);
  const bool absolute = path.front() == '/';
  Descriptor folder(::openat(absolute ? AT_FDCWD : start, absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Valid()) return FailedWithErrno();
  const std::vector<std::string_view> names = NamesOf(path);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string name(names[i]);
    const bool last = i + 1 == names.size();
    Descriptor next(::openat(folder.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!next.Valid() && (errno != ENOENT || !last)) return FailedWithErrno();
    if (next.Valid() && ::fstat(next.Get(), &status) != 0) return FailedWithErrno();
    if (next.Valid() && S_ISLNK(status.st_mode) && (followLast || !last)) {
      Lookup target;
      if (Outcome followed = FollowLink(folder.Get(), next.Get(), status.st_uid, links, target); !followed)
        return followed;
      if (last) {
        out = std::move(target);
        out.Utf8 = out.Utf8 && utf8;
        return Outcome::Done();
      }
      if (!target.Object.Valid()) return Outcome::Failed(ErrorText(ENOENT));
      utf8 = utf8 && target.Utf8;
      next = std::move(target.Object);
      status = target.Status;
    }
    if (last) {
      out.Folder = std::move(folder);
      out.Leaf = name;
      out.Object = std::move(next);
      out.Status = status;
      out.Utf8 = utf8;
      return Outcome::Done();
    }
    if (!S_ISDIR(status.st_mode)) return Outcome::Failed(ErrorText(ENOTDIR));
    folder = std::move(next);
  }
  return Outcome::Done();
}

// The name under which the system reopens what a descriptor refers to, the
// very file and never another, O_PATH descriptors included.
std::string ProcName(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

std::string RandomSuffix() {
  static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random{std::random_device{}()};
  static std::mutex guard;
  const std::lock_guard lock(guard);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kLetters[random() % kLetters.size()];
  return suffix;
}

// A file being made in a folder: without a name (O_TMPFILE) where the file
// system allows, else under a fresh name beside `base`.
struct NewFile {
  Descriptor File;
  std::string Name;  // empty while it has none
};

template <typename Make>
int MakeFreshName(const std::string& base, std::string& name, Make&& make) {
  for (int tries = 0; tries < 100; ++tries) {
    name = base + "." + RandomSuffix();
    if (make(name) == 0) return 0;
    if (errno != EEXIST) break;
  }
  name.clear();
  return -1;
}

bool CreateInFolder(int folder, const std::string& base, mode_t mode, NewFile& made) {
  const int fd = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  if (fd >= 0) {
    made.File = Descriptor(fd);
    return true;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  return MakeFreshName(base, made.Name, [&](const std::string& name) {
           const int named = ::openat(folder, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, mode);
           if (named >= 0) made.File = Descriptor(named);
           return named >= 0 ? 0 : -1;
         }) == 0;
}

// Gives a complete file made without a name a fresh name beside `base` in
// `folder`.
bool GiveName(int fd, std::string& given, int folder, const std::string& base) {
  if (!given.empty()) return true;
  // Through /proc where it is mounted; else by the descriptor itself, which
  // needs more rights.
  const std::string self = ProcName(fd);
  return MakeFreshName(base, given, [&](const std::string& name) {
           if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
           if (errno != ENOENT) return -1;
           return ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH);
         }) == 0;
}

// The old file, for its metadata: a descriptor to read it through when there
// is one, else its /proc name (an O_PATH descriptor has no other).
struct OldFile {
  int Readable;  // -1 when none
  std::string Proc;
};

// The old file's access control list on the new one. A file without one of
// its own may have inherited the folder's default list: it is set back to
// what the mode says, so that no one gets access the old file didn't give.
Outcome KeepAccessControlList(const OldFile& old, mode_t mode, int fd) {
  const int extended = old.Readable >= 0 ? ::acl_extended_fd(old.Readable) : ::acl_extended_file(old.Proc.c_str());
  if (extended < 0 && errno != ENOTSUP && errno != EOPNOTSUPP)
    return Outcome::Failed("can't read the access control list: " + ErrorText(errno));
  acl_t acl = extended != 1       ? nullptr
              : old.Readable >= 0 ? ::acl_get_fd(old.Readable)
                                  : ::acl_get_file(old.Proc.c_str(), ACL_TYPE_ACCESS);
  if (!acl && extended == 1) return Outcome::Failed("can't read the access control list: " + ErrorText(errno));
  if (!acl) {
    if (::acl_extended_fd(fd) != 1) return Outcome::Done();
    acl = ::acl_from_mode(mode);
  }
  const bool kept = acl && ::acl_set_fd(fd, acl) == 0;
  const int error = errno;
  if (acl) ::acl_free(acl);
  return kept ? Outcome::Done() : Outcome::Failed("can't keep the access control list: " + ErrorText(error));
}

ssize_t ListAttributes(const OldFile& old, char* names, std::size_t size) {
  return old.Readable >= 0 ? ::flistxattr(old.Readable, names, size) : ::listxattr(old.Proc.c_str(), names, size);
}

ssize_t GetAttribute(const OldFile& old, const char* name, void* value, std::size_t size) {
  return old.Readable >= 0 ? ::fgetxattr(old.Readable, name, value, size)
                           : ::getxattr(old.Proc.c_str(), name, value, size);
}

std::vector<char> AttributeValue(const OldFile& old, const char* name) {
  for (;;) {
    const ssize_t size = GetAttribute(old, name, nullptr, 0);
    if (size < 0) return {};
    std::vector<char> value(static_cast<std::size_t>(size));
    const ssize_t got = GetAttribute(old, name, value.data(), value.size());
    if (got >= 0) return value.resize(static_cast<std::size_t>(got)), value;
    if (errno != ERANGE) return {};
  }
}

bool SameAttribute(int fd, const char* name, const std::vector<char>& value) {
  std::vector<char> there(value.size() + 1);
  const ssize_t got = ::fgetxattr(fd, name, there.data(), there.size());
  return got == static_cast<ssize_t>(value.size()) && std::equal(value.begin(), value.end(), there.begin());
}

// The old file's extended attributes on the new one; the ACL has its own
// calls ("system." names). An attribute this user may not set passes when
// the new file has it already (a security label given by the system).
Outcome KeepExtendedAttributes(const OldFile& old, int fd) {
  const ssize_t size = ListAttributes(old, nullptr, 0);
  if (size < 0) {
    if (errno == ENOTSUP || errno == EOPNOTSUPP) return Outcome::Done();
    return Outcome::Failed("can't read the extended attributes: " + ErrorText(errno));
  }
  std::vector<char> names(static_cast<std::size_t>(size));
  const ssize_t got = ListAttributes(old, names.data(), names.size());
  if (got < 0) return Outcome::Failed("can't read the extended attributes: " + ErrorText(errno));
  for (std::size_t at = 0; at < static_cast<std::size_t>(got); at += std::strlen(names.data() + at) + 1) {
    const char* name = names.data() + at;
    if (std::string_view(name).starts_with("system.")) continue;
    const std::vector<char> value = AttributeValue(old, name);
    if (::fsetxattr(fd, name, value.data(), value.size(), 0) != 0 && !SameAttribute(fd, name, value))
      return Outcome::Failed("can't keep the extended attributes: " + ErrorText(errno));
  }
  return Outcome::Done();
}

// The new file takes the old one's place with everything the old one had:
// owner and group (where this user may give them), ACL, extended attributes
// and the whole mode. Set-id bits stay only with the owner and group they
// were set for.
Outcome KeepMetadata(const OldFile& old, const struct stat& status, int fd) {
  mode_t mode = status.st_mode & 07777;
  if (::fchown(fd, status.st_uid, status.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (::fchown(fd, static_cast<uid_t>(-1), status.st_gid) != 0) {
      // the group stays this user's own
    }
  }
  if (Outcome kept = KeepAccessControlList(old, mode, fd); !kept) return kept;
  if (Outcome kept = KeepExtendedAttributes(old, fd); !kept) return kept;
  if (::fchmod(fd, mode) != 0) return FailedWithErrno();
  return Outcome::Done();
}

std::string FolderShownOf(const std::string& shown) {
  const auto slash = shown.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : shown.substr(0, slash);
}

// A file that may be written: the kernel's own check on the very file.
bool MayWrite(int object, int folder, const std::string& leaf) {
  if (::access(ProcName(object).c_str(), W_OK) == 0) return true;
  if (errno != ENOENT) return false;
  return ::faccessat(folder, leaf.c_str(), W_OK, AT_SYMLINK_NOFOLLOW) == 0;  // no /proc
}

}  // namespace

SyncCall ReplaceSyncCall(SyncCall call) {
  const SyncCall previous = syncCall;
  syncCall = call ? call : &::fsync;
  return previous;
}

Outcome SyncFolder(int folder) {
  // Some file systems can't sync a folder (EINVAL): nothing more to do there.
  if (syncCall(folder) != 0 && errno != EINVAL)
    return Outcome::Failed("fsync of the folder failed: " + ErrorText(errno));
  return Outcome::Done();
}

Outcome CommitPending(PendingReplace& pending) {
  NewFile made{std::move(pending.File), std::move(pending.Temporary)};
  Outcome result = Outcome::Done();
  if (syncCall(made.File.Get()) != 0) result = Outcome::Failed("fsync failed: " + ErrorText(errno));
  else if (!GiveName(made.File.Get(), made.Name, pending.Folder.Get(), pending.Leaf)) result = FailedWithErrno();
  else if (!made.File.Close()) result = FailedWithErrno();
  else if (::renameat(pending.Folder.Get(), made.Name.c_str(), pending.Folder.Get(), pending.Leaf.c_str()) != 0)
    result = FailedWithErrno();
  else made.Name.clear();
  if (!made.Name.empty()) ::unlinkat(pending.Folder.Get(), made.Name.c_str(), 0);
  return result;
}

OpenedPage OpenedPage::LookedUp(int start, const std::string& path, bool followLast, std::string shown) {
  OpenedPage page;
  page.shown_ = std::move(shown);
  int links = 0;
  Lookup found;
  page.resolved_ = LookUp(start, path, followLast, links, found);
  page.missing_ = !page.resolved_ ? page.resolved_.Reason == ErrorText(ENOENT) : !found.Object.Valid();
  page.utf8_ = found.Utf8;
  page.folder_ = std::move(found.Folder);
  page.leaf_ = std::move(found.Leaf);
  page.object_ = std::move(found.Object);
  page.status_ = found.Status;
  return page;
}

OpenedPage OpenedPage::Resolve(const std::string& path, bool followLastLink) {
  return LookedUp(AT_FDCWD, path, followLastLink, path);
}

OpenedPage OpenedPage::ResolveIn(int folder, const std::string& name, std::string shown) {
  return LookedUp(folder, name, true, std::move(shown));
}

Outcome OpenedPage::Open() {
  if (!resolved_) return resolved_;
  if (!object_.Valid()) return Outcome::Failed(ErrorText(ENOENT));
  // Only a regular file is opened: what the name held was looked at without
  // opening it, and the file opened is that very one.
  if (!S_ISREG(status_.st_mode)) return Outcome::Failed("not a regular file");
  file_ = Descriptor(::open(ProcName(object_.Get()).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file_.Valid() && errno == ENOENT)  // no /proc: by the name, never through a link, checked below
    file_ =
        Descriptor(::openat(folder_.Get(), leaf_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
  if (!file_.Valid()) return FailedWithErrno();
  struct stat status;
  if (::fstat(file_.Get(), &status) != 0) return file_ = Descriptor(), FailedWithErrno();
  if (!S_ISREG(status.st_mode) || status.st_dev != status_.st_dev || status.st_ino != status_.st_ino) {
    file_ = Descriptor();
    return Outcome::Failed("not a regular file");
  }
  size_ = static_cast<std::uint64_t>(status.st_size);
  return Outcome::Done();
}

Descriptor OpenedPage::OpenFolder() const {
  if (!IsFolder()) return errno = ENOTDIR, Descriptor();
  return Descriptor(::openat(object_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

Outcome OpenedPage::Replace(const Fill& fill, ReplaceBatch* batch) {
  if (!resolved_) return resolved_;
  const bool exists = object_.Valid();
  if (exists && !S_ISREG(status_.st_mode)) return Outcome::Failed("not a regular file");
  // The window's file dialogs name files in UTF-8: another name is refused
  // rather than taken for a different one.
  if (!utf8_) return Outcome::Failed("name isn't valid UTF-8");
  // The rename needs only the folder: a file this user may not write is
  // refused here.
  if (exists && !MayWrite(object_.Get(), folder_.Get(), leaf_)) return FailedWithErrno();
  PendingReplace pending;
  pending.Folder = Descriptor(::openat(folder_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat folder;
  if (!pending.Folder.Valid() || ::fstat(pending.Folder.Get(), &folder) != 0) return FailedWithErrno();
  pending.FolderDevice = folder.st_dev;
  pending.FolderInode = folder.st_ino;

  // A new file gets the usual mode (umask, the folder's default ACL); one that
  // replaces another stays private until it has the old one's metadata.
  NewFile made;
  if (!CreateInFolder(pending.Folder.Get(), leaf_, exists ? 0600 : 0666, made)) return FailedWithErrno();
  Outcome result = fill(made.File.Get());
  if (result && exists) result = KeepMetadata({File(), ProcName(object_.Get())}, status_, made.File.Get());
  if (!result) {
    if (!made.Name.empty()) ::unlinkat(pending.Folder.Get(), made.Name.c_str(), 0);
    return result;
  }
  pending.File = std::move(made.File);
  pending.Temporary = made.Name;
  pending.Leaf = leaf_;
  pending.Shown = shown_;
  pending.FolderShown = FolderShownOf(shown_);
  if (batch) {
    batch->Add(std::move(pending));
    return Outcome::Done();
  }
  if (result = CommitPending(pending); !result) return result;
  return SyncFolder(pending.Folder.Get());
}

ReadableFile OpenForReading(const std::string& path) {
  ReadableFile opened;
  OpenedPage page = OpenedPage::Resolve(path);
  opened.Result = page.Open();
  opened.Missing = !opened.Result && page.Missing();
  opened.File = page.TakeFile();
  opened.Size = page.Size();
  return opened;
}

Outcome ReplaceFile(const std::string& path, const Fill& fill) {
  if (path.empty()) return Outcome::Failed(ErrorText(ENOENT));
  return OpenedPage::Resolve(path).Replace(fill);
}

ScratchFile ScratchFile::Nameless(const std::string& folder) {
  ScratchFile scratch;
  scratch.name_ = folder;
  NewFile made;
  Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid() || !CreateInFolder(fd.Get(), "verdo-import", 0600, made)) {
    scratch.error_ = errno;
    scratch.result_ = FailedWithErrno();
    return scratch;
  }
  // A file system without unnamed files: the name goes at once.
  if (!made.Name.empty()) ::unlinkat(fd.Get(), made.Name.c_str(), 0);
  scratch.file_ = std::move(made.File);
  return scratch;
}

ScratchFile ScratchFile::Beside(const std::string& path) {
  ScratchFile scratch;
  scratch.name_ = path;
  scratch.beside_ = true;
  OpenedPage page = OpenedPage::Resolve(path, false);
  if (!page.folder_.Valid()) {
    scratch.error_ = page.missing_ ? ENOENT : EACCES;
    scratch.result_ = page.resolved_ ? Outcome::Failed(ErrorText(ENOENT)) : page.resolved_;
    return scratch;
  }
  if (page.object_.Valid() && !S_ISREG(page.status_.st_mode)) {
    scratch.result_ = Outcome::Failed("not a regular file");
    return scratch;
  }
  scratch.folder_ = Descriptor(::openat(page.folder_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  scratch.leaf_ = page.leaf_;
  NewFile made;
  if (!scratch.folder_.Valid() || !CreateInFolder(scratch.folder_.Get(), scratch.leaf_, 0666, made)) {
    scratch.error_ = errno;
    scratch.result_ = FailedWithErrno();
    return scratch;
  }
  scratch.file_ = std::move(made.File);
  scratch.temporaryName_ = made.Name;
  return scratch;
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept
    : file_(std::move(other.file_)),
      result_(std::move(other.result_)),
      error_(other.error_),
      beside_(other.beside_),
      name_(std::move(other.name_)),
      folder_(std::move(other.folder_)),
      leaf_(std::move(other.leaf_)),
      temporaryName_(std::exchange(other.temporaryName_, {})) {}

ScratchFile::~ScratchFile() {
  if (!temporaryName_.empty()) ::unlinkat(folder_.Get(), temporaryName_.c_str(), 0);
}

// A regular file of the name in the folder held; never through a link.
bool ScratchFile::NameHoldsRegularFile(bool& there) const {
  struct stat status;
  there = ::fstatat(folder_.Get(), leaf_.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
  return there && S_ISREG(status.st_mode);
}

void ScratchFile::Discard() {
  bool there = false;
  if (beside_ && folder_.Valid() && NameHoldsRegularFile(there)) ::unlinkat(folder_.Get(), leaf_.c_str(), 0);
}

Outcome ScratchFile::Keep() {
  if (!beside_) return Outcome::Done();
  bool there = false;
  if (!NameHoldsRegularFile(there) && there) return Outcome::Failed("not a regular file");
  if (!GiveName(file_.Get(), temporaryName_, folder_.Get(), leaf_)) return FailedWithErrno();
  if (::renameat(folder_.Get(), temporaryName_.c_str(), folder_.Get(), leaf_.c_str()) != 0) return FailedWithErrno();
  temporaryName_.clear();
  return Outcome::Done();
}

}  // namespace verdo
