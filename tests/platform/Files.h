// Files for the tests: a fresh folder (also as the current directory), a
// file's bytes, special files, and a limit on the size files may grow to.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace verdo::testing {

namespace fs = std::filesystem;

class Folder {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "verdo-files-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~Folder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Every name in the folder: a temporary file left behind shows up here.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

// A fresh folder that is the current directory while it lives (Import
// writes "temp.htm" in the current directory).
class CurrentFolder : public Folder {
 public:
  CurrentFolder() { fs::current_path(Path()); }
  ~CurrentFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_ = fs::current_path();
};

// An environment variable set (or, given nothing, unset) while it lives.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Files that are no regular file, made in `folder` with names ending in
// `extension`: a FIFO, a folder, a link to the FIFO and, for root, a
// character device like /dev/null (made there, never in the machine's /dev).
inline std::vector<std::string> MakeSpecialFiles(const Folder& folder, const std::string& extension) {
  std::vector<std::string> paths = {folder / ("fifo." + extension), folder / ("dir." + extension),
                                    folder / ("link." + extension)};
  ::mkfifo(paths[0].c_str(), 0666);
  fs::create_directory(paths[1]);
  fs::create_symlink(paths[0], paths[2]);
  const std::string device = folder / ("null." + extension);
  if (::geteuid() == 0 && ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) paths.push_back(device);
  return paths;
}

inline std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// While alive, no file may grow beyond `bytes`: writes past it fail as on a
// full disk (the signal that would end the process is ignored).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

}  // namespace verdo::testing
