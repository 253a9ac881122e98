#include "platform/CacheFolder.h"

#include <gtest/gtest.h>

#include "platform/Files.h"

namespace verdo {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnvironment;

TEST(CacheFolder, IsMadePrivateUnderAnAbsoluteXdgCacheHomeElseUnderHome) {
  testing::Folder home;
  ScopedEnvironment homeVariable("HOME", home.Path().c_str());
  const std::string absolute = home / "xdg";
  for (const char* xdg : {"relative/cache", absolute.c_str()}) {
    ScopedEnvironment xdgVariable("XDG_CACHE_HOME", xdg);
    const fs::path expected = xdg[0] == '/' ? fs::path(xdg) / "verdo" : home.Path() / ".cache/verdo";
    EXPECT_EQ(CacheFolder(), expected.string());
    EXPECT_EQ(fs::status(expected).permissions(), fs::perms::owner_all);
  }
  // A link in its place is refused, wherever it leads.
  fs::remove(home / ".cache/verdo");
  fs::create_directory_symlink(home.Path(), home / ".cache/verdo");
  ScopedEnvironment xdgVariable("XDG_CACHE_HOME", nullptr);
  EXPECT_EQ(CacheFolder(), std::nullopt);
}

}  // namespace
}  // namespace verdo
