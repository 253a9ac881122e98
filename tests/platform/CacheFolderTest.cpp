#include "platform/CacheFolder.h"

#include <gtest/gtest.h>

#include "platform/Files.h"

namespace verdo {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnvironment;

TEST(CacheFolder, IsMadePrivateUnderXdgCacheHomeElseUnderTheHomeFolder) {
  testing::Folder home;
  ScopedEnvironment homeVariable("HOME", home.Path().c_str());
  const struct {
    std::optional<std::string> XdgCacheHome;  // nothing: unset
    fs::path Expected;
  } cases[] = {
      {std::nullopt, home.Path() / ".cache/verdo"},
      {"relative/cache", home.Path() / ".cache/verdo"},  // not absolute: counts as unset
      {home / "xdg", home.Path() / "xdg/verdo"},
  };
  for (const auto& c : cases) {
    ScopedEnvironment xdg("XDG_CACHE_HOME", c.XdgCacheHome ? c.XdgCacheHome->c_str() : nullptr);
    EXPECT_EQ(CacheFolder(), c.Expected.string());
    EXPECT_EQ(fs::status(c.Expected).permissions(), fs::perms::owner_all);
  }
  // An existing folder is kept as it is.
  fs::permissions(home.Path() / "xdg/verdo", fs::perms::owner_all | fs::perms::group_read);
  const std::string xdgHome = home / "xdg";
  ScopedEnvironment xdg("XDG_CACHE_HOME", xdgHome.c_str());
  EXPECT_EQ(CacheFolder(), home / "xdg/verdo");
  EXPECT_EQ(fs::status(home / "xdg/verdo").permissions(), fs::perms::owner_all | fs::perms::group_read);
}

TEST(CacheFolder, AnythingButAFolderInItsPlaceIsRefused) {
  testing::Folder cache;
  ScopedEnvironment xdg("XDG_CACHE_HOME", cache.Path().c_str());
  fs::create_directory(cache / "elsewhere");
  fs::create_directory_symlink(cache / "elsewhere", cache / "verdo");
  EXPECT_EQ(CacheFolder(), std::nullopt);
  fs::remove(cache / "verdo");
  testing::Put(cache / "verdo", "");
  EXPECT_EQ(CacheFolder(), std::nullopt);
}

}  // namespace
}  // namespace verdo
