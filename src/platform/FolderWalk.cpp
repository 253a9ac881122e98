#include "platform/FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace verdo {

namespace {

// A folder's key ends in '/', so that sorting the keys of each folder gives
// the order of the whole paths.
struct Entry {
  std::string Key;
  bool Folder() const { return Key.back() == '/'; }
  std::string Name() const { return Folder() ? Key.substr(0, Key.size() - 1) : Key; }
};

struct Level {
  dev_t Device = 0;
  ino_t Inode = 0;
  std::string Name;  // in the folder above
  std::vector<Entry> Entries;
  std::size_t Next = 0;
  std::size_t Bytes = 0;
  bool Dropped = false;  // read again, to go on after Resume
  std::string Resume;
};

bool IsFolder(int folder, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_DIR;
  struct stat status;
  return ::fstatat(folder, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

// The folder's subfolders and wanted names, sorted; false (errno set) when
// it can't be read.
bool List(int folder, const FolderWalkEvents& events, Level& level) {
  level.Entries.clear();
  level.Bytes = 0;
  const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* listing = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!listing) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing);
    if (!entry) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (IsFolder(folder, *entry)) level.Entries.push_back({std::string(name) + "/"});
    else if (events.Wanted(name)) level.Entries.push_back({std::string(name)});
    else continue;
    level.Bytes += sizeof(Entry) + level.Entries.back().Key.size();
  }
  const int error = errno;
  ::closedir(listing);
  errno = error;
  if (error) return false;
  std::sort(level.Entries.begin(), level.Entries.end(), [](const Entry& a, const Entry& b) { return a.Key < b.Key; });
  return true;
}

class Walk {
 public:
  Walk(const FolderWalkEvents& events, Descriptor top, std::string shown)
      : events_(events), top_(std::move(top)), current_(Reopen(top_)), topPath_(shown), path_(std::move(shown)) {}

  bool Run() {
    Level top;
    if (!current_.Valid() || !Enter(top)) {
      Fail(path_);
      return false;
    }
    while (!levels_.empty()) {
      Level& level = levels_.back();
      if (level.Dropped && !ReadAgain(level)) {
        level.Next = level.Entries.size();
        ok_ = false;
      }
      if (level.Next == level.Entries.size()) {
        Leave();
        continue;
      }
      const Entry& entry = level.Entries[level.Next++];
      const std::string name = entry.Name();
      const std::string shown = Child(name);
      if (!entry.Folder()) {
        OpenedPage page = OpenedPage::ResolveIn(current_.Get(), name, shown);
        events_.Found(page);
        continue;
      }
      // Opened as it is: a folder swapped for a link meanwhile is refused.
      Descriptor child(::openat(current_.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (!child.Valid()) {
        Fail(shown);
        continue;
      }
      Level next;
      next.Name = name;
      std::swap(current_, child);
      path_ = shown;
      if (!Enter(next)) {
        Fail(path_);
        std::swap(current_, child);
        path_.resize(path_.size() - name.size() - 1);
      }
    }
    return ok_;
  }

 private:
  std::string Child(const std::string& name) const { return path_.ends_with('/') ? path_ + name : path_ + "/" + name; }

  void Fail(const std::string& shown) {
    events_.Failed(shown, ErrorText(errno));
    ok_ = false;
  }

  // Lists the current folder as a new level; false (errno set) when it can't.
  bool Enter(Level& level) {
    struct stat status;
    if (::fstat(current_.Get(), &status) != 0 || !List(current_.Get(), events_, level)) return false;
    level.Device = status.st_dev;
    level.Inode = status.st_ino;
    kept_ += level.Bytes;
    levels_.push_back(std::move(level));
    // The entries highest up go first; the current folder's stay.
    for (std::size_t i = 0; kept_ > events_.KeptBytes && i + 1 < levels_.size(); ++i) {
      Level& above = levels_[i];
      if (above.Dropped) continue;
      above.Resume = above.Entries[above.Next - 1].Key;
      kept_ -= above.Bytes;
      above.Entries = {};
      above.Bytes = 0;
      above.Dropped = true;
    }
    return true;
  }

  bool ReadAgain(Level& level) {
    level.Dropped = false;
    if (!List(current_.Get(), events_, level)) {
      Fail(path_);
      return false;
    }
    kept_ += level.Bytes;
    const auto after = std::upper_bound(level.Entries.begin(), level.Entries.end(), level.Resume,
                                        [](const std::string& key, const Entry& entry) { return key < entry.Key; });
    level.Next = static_cast<std::size_t>(after - level.Entries.begin());
    return true;
  }

  // Back to the folder above, through "..", which must still be the folder
  // the walk came from. When it isn't (the folder left was moved meanwhile),
  // that folder is told and the walk goes on from the folder above, found
  // again from the top.
  void Leave() {
    const Level done = std::move(levels_.back());
    levels_.pop_back();
    kept_ -= done.Bytes;
    if (levels_.empty()) return;
    path_.resize(path_.size() - done.Name.size() - 1);
    Descriptor above(::openat(current_.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (Holds(above, levels_.back())) {
      current_ = std::move(above);
      return;
    }
    Moved(Child(done.Name));
    Climb();
  }

  void Moved(const std::string& shown) {
    events_.Failed(shown, "moved while it was read");
    ok_ = false;
  }

  static bool Holds(const Descriptor& folder, const Level& level) {
    struct stat status;
    return folder.Valid() && ::fstat(folder.Get(), &status) == 0 && status.st_dev == level.Device &&
           status.st_ino == level.Inode;
  }

  static Descriptor Reopen(const Descriptor& folder) {
    return Descriptor(::openat(folder.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }

  // Makes the deepest level current again, through the names kept from the
  // top down, each opened as it is (no link followed) and checked to be the
  // folder the walk entered. A level that isn't is told, and it and the
  // levels below are given up: the walk goes on in the level above it.
  void Climb() {
    Descriptor folder = Reopen(top_);
    path_ = topPath_;
    for (std::size_t i = 1; i < levels_.size(); ++i) {
      const std::string shown = Child(levels_[i].Name);
      Descriptor next(::openat(folder.Get(), levels_[i].Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (!Holds(next, levels_[i])) {
        Moved(shown);
        for (std::size_t j = i; j < levels_.size(); ++j) kept_ -= levels_[j].Bytes;
        levels_.resize(i);
        break;
      }
      folder = std::move(next);
      path_ = shown;
    }
    current_ = std::move(folder);
  }

  const FolderWalkEvents& events_;
  Descriptor top_;  // held, to find the way back when a folder was moved
  Descriptor current_;
  const std::string topPath_;
  std::string path_;
  std::vector<Level> levels_;
  std::size_t kept_ = 0;
  bool ok_ = true;
};

}  // namespace

bool WalkPages(const std::string& path, const FolderWalkEvents& events) {
  OpenedPage named = OpenedPage::Resolve(path);
  if (!named.IsFolder()) {
    events.Found(named);
    return true;
  }
  Descriptor folder = named.OpenFolder();
  if (!folder.Valid()) {
    events.Failed(path, ErrorText(errno));
    return false;
  }
  return Walk(events, std::move(folder), path).Run();
}

}  // namespace verdo
