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
#include <random>
#include <string_view>
#include <utility>
#include <vector>

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

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  static constexpr unsigned kSmallest[] = {0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    if (lead >= 0xC2 && lead <= 0xDF) extra = 1;
    else if (lead >= 0xE0 && lead <= 0xEF) extra = 2;
    else if (lead >= 0xF0 && lead <= 0xF4) extra = 3;
    else if (lead >= 0x80) return false;
    if (text.size() - i <= extra) return false;
    unsigned code = lead & (0x7Fu >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// The file that `path` names once symbolic links are followed, worked out on
// the bytes of the names, so a link never leads to a name other than its own.
Outcome FollowLinks(const std::string& path, std::string& target) {
  target = path;
  for (int links = 0;; ++links) {
    struct stat status;
    if (::lstat(target.c_str(), &status) != 0) return errno == ENOENT ? Outcome::Done() : FailedWithErrno();
    if (!S_ISLNK(status.st_mode)) return Outcome::Done();
    if (links == kMaxLinks) return Outcome::Failed(ErrorText(ELOOP));
    std::string linked(PATH_MAX, '\0');
    const ssize_t size = ::readlink(target.c_str(), linked.data(), linked.size());
    if (size < 0) return FailedWithErrno();
    linked.resize(static_cast<std::size_t>(size));
    target = linked.starts_with('/') ? linked : FolderOf(target) + "/" + linked;
  }
}

std::string RandomSuffix() {
  static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random{std::random_device{}()};
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

bool CreateInFolder(const std::string& folder, const std::string& base, mode_t mode, NewFile& made) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  if (fd >= 0) {
    made.File = Descriptor(fd);
    return true;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  return MakeFreshName(base, made.Name, [&](const std::string& name) {
           const int named = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, mode);
           if (named >= 0) made.File = Descriptor(named);
           return named >= 0 ? 0 : -1;
         }) == 0;
}

// Gives a complete file made without a name a fresh name beside `base`.
bool GiveName(int fd, std::string& given, const std::string& base) {
  if (!given.empty()) return true;
  // Through /proc where it is mounted; else by the descriptor itself, which
  // needs more rights.
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return MakeFreshName(base, given, [&](const std::string& name) {
           if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
           if (errno != ENOENT) return -1;
           return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
         }) == 0;
}

void RemoveName(NewFile& made) {
  if (!made.Name.empty()) ::unlink(made.Name.c_str());
  made.Name.clear();
}

Outcome SyncFolder(const std::string& folder) {
  Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) return Outcome::Failed("fsync of the folder failed: " + ErrorText(errno));
  // Some file systems can't sync a folder (EINVAL): nothing more to do there.
  if (syncCall(fd.Get()) != 0 && errno != EINVAL)
    return Outcome::Failed("fsync of the folder failed: " + ErrorText(errno));
  return Outcome::Done();
}

// The old file's access control list on the new one. A file without one of
// its own may have inherited the folder's default list: it is set back to
// what the mode says, so that no one gets access the old file didn't give.
Outcome KeepAccessControlList(const std::string& old, mode_t mode, int fd) {
  const int extended = ::acl_extended_file(old.c_str());
  if (extended < 0 && errno != ENOTSUP && errno != EOPNOTSUPP)
    return Outcome::Failed("can't read the access control list: " + ErrorText(errno));
  acl_t acl = extended == 1 ? ::acl_get_file(old.c_str(), ACL_TYPE_ACCESS) : nullptr;
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

std::vector<char> AttributeValue(const std::string& path, const char* name) {
  for (;;) {
    const ssize_t size = ::getxattr(path.c_str(), name, nullptr, 0);
    if (size < 0) return {};
    std::vector<char> value(static_cast<std::size_t>(size));
    const ssize_t got = ::getxattr(path.c_str(), name, value.data(), value.size());
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
Outcome KeepExtendedAttributes(const std::string& old, int fd) {
  const ssize_t size = ::listxattr(old.c_str(), nullptr, 0);
  if (size < 0) {
    if (errno == ENOTSUP || errno == EOPNOTSUPP) return Outcome::Done();
    return Outcome::Failed("can't read the extended attributes: " + ErrorText(errno));
  }
  std::vector<char> names(static_cast<std::size_t>(size));
  const ssize_t got = ::listxattr(old.c_str(), names.data(), names.size());
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
Outcome KeepMetadata(const std::string& old, const struct stat& status, int fd) {
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

// Syncs the complete file, names it beside the target and renames it over.
Outcome Commit(NewFile& made, const std::string& target) {
  if (syncCall(made.File.Get()) != 0) return Outcome::Failed("fsync failed: " + ErrorText(errno));
  if (!GiveName(made.File.Get(), made.Name, target)) return FailedWithErrno();
  if (!made.File.Close()) return FailedWithErrno();
  if (::rename(made.Name.c_str(), target.c_str()) != 0) return FailedWithErrno();
  made.Name.clear();
  return SyncFolder(FolderOf(target));
}

}  // namespace

SyncCall ReplaceSyncCall(SyncCall call) {
  const SyncCall previous = syncCall;
  syncCall = call ? call : &::fsync;
  return previous;
}

ReadableFile OpenForReading(const std::string& path) {
  ReadableFile opened;
  const auto failed = [&opened](Outcome result) {
    opened.File = Descriptor();
    opened.Result = std::move(result);
    return std::move(opened);
  };
  struct stat status;
  // Looked at before opening, so that no device is ever opened, and after,
  // in case the name changed hands meanwhile.
  if (::stat(path.c_str(), &status) != 0) {
    opened.Missing = errno == ENOENT;
    return failed(FailedWithErrno());
  }
  if (!S_ISREG(status.st_mode)) return failed(Outcome::Failed("not a regular file"));
  opened.File = Descriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!opened.File.Valid()) {
    opened.Missing = errno == ENOENT;
    return failed(FailedWithErrno());
  }
  if (::fstat(opened.File.Get(), &status) != 0) return failed(FailedWithErrno());
  if (!S_ISREG(status.st_mode)) return failed(Outcome::Failed("not a regular file"));
  opened.Size = static_cast<std::uint64_t>(status.st_size);
  return opened;
}

Outcome ReplaceFile(const std::string& path, const Fill& fill) {
  if (path.empty()) return Outcome::Failed(ErrorText(ENOENT));
  std::string target;
  if (Outcome followed = FollowLinks(path, target); !followed) return followed;
  // The window's file dialogs name files in UTF-8: another name is refused
  // rather than taken for a different one.
  if (!IsValidUtf8(target)) return Outcome::Failed("name isn't valid UTF-8");
  struct stat old;
  const bool exists = ::lstat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return FailedWithErrno();
  if (exists && !S_ISREG(old.st_mode)) return Outcome::Failed("not a regular file");
  // The rename needs only the folder: a file this user may not write is
  // refused here.
  if (exists && ::access(target.c_str(), W_OK) != 0) return FailedWithErrno();

  // A new file gets the usual mode (umask, the folder's default ACL); one that
  // replaces another stays private until it has the old one's metadata.
  NewFile made;
  if (!CreateInFolder(FolderOf(target), target, exists ? 0600 : 0666, made)) return FailedWithErrno();
  Outcome result = fill(made.File.Get());
  if (result && exists) result = KeepMetadata(target, old, made.File.Get());
  if (result) result = Commit(made, target);
  RemoveName(made);
  return result;
}

ScratchFile ScratchFile::Nameless(const std::string& folder) {
  ScratchFile scratch;
  scratch.name_ = folder;
  NewFile made;
  if (!CreateInFolder(folder, folder + "/verdo-import", 0600, made)) {
    scratch.error_ = errno;
    scratch.result_ = FailedWithErrno();
    return scratch;
  }
  RemoveName(made);  // a file system without unnamed files: the name goes at once
  scratch.file_ = std::move(made.File);
  return scratch;
}

ScratchFile ScratchFile::Beside(const std::string& path) {
  ScratchFile scratch;
  scratch.name_ = path;
  scratch.beside_ = true;
  struct stat status;
  if (::lstat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    scratch.result_ = Outcome::Failed("not a regular file");
    return scratch;
  }
  NewFile made;
  if (!CreateInFolder(FolderOf(path), path, 0666, made)) {
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
      temporaryName_(std::exchange(other.temporaryName_, {})) {}

ScratchFile::~ScratchFile() {
  if (!temporaryName_.empty()) ::unlink(temporaryName_.c_str());
}

void ScratchFile::Discard() {
  struct stat status;
  if (beside_ && ::lstat(name_.c_str(), &status) == 0 && S_ISREG(status.st_mode)) ::unlink(name_.c_str());
}

Outcome ScratchFile::Keep() {
  if (!beside_) return Outcome::Done();
  struct stat status;
  if (::lstat(name_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return Outcome::Failed("not a regular file");
  if (!GiveName(file_.Get(), temporaryName_, name_)) return FailedWithErrno();
  if (::rename(temporaryName_.c_str(), name_.c_str()) != 0) return FailedWithErrno();
  temporaryName_.clear();
  return Outcome::Done();
}

}  // namespace verdo
