#include "platform/CacheFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace verdo {
namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  const passwd* user = ::getpwuid(::geteuid());
  return user && user->pw_dir && user->pw_dir[0] == '/' ? user->pw_dir : "";
}

// A folder made 0700 where there is none; an existing one is kept as it is.
bool MadePrivate(const std::string& folder) { return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST; }

}  // namespace

std::optional<std::string> CacheFolder() {
  std::string cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') {
    cache = xdg;
  } else if (const std::string home = HomeFolder(); !home.empty()) {
    cache = home + "/.cache";
  } else {
    return std::nullopt;
  }
  const std::string folder = cache + "/verdo";
  if (!MadePrivate(cache) || !MadePrivate(folder)) return std::nullopt;
  struct stat status;
  if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
    return std::nullopt;
  return folder;
}

bool CurrentFolderIsRoot() {
  struct stat current, root;
  return ::stat(".", &current) == 0 && ::stat("/", &root) == 0 && current.st_dev == root.st_dev &&
         current.st_ino == root.st_ino;
}

}  // namespace verdo
