// The audit's folder walk: the order of whole paths, whether or not the
// entries of the folders above are dropped and read again on the way back;
// folders moved while they are read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/FolderWalk.h"

namespace verdo {
namespace {

namespace fs = std::filesystem;

// Names that sort before and after '/', in folders three deep.
void MakeTree(const fs::path& folder, int depth, std::vector<std::string>& pages) {
  fs::create_directory(folder);
  for (const std::string name : {"a", "a b", "a.b", "a-", "b"}) {
    const std::string page = (folder / (name + (name == "b" ? ".HTML" : ".htm"))).string();
    testing::Put(page, "<title>t</title>\n");
    testing::Put((folder / (name + ".txt")).string(), "not a page");
    pages.push_back(page);
    if (depth > 0) MakeTree(folder / name, depth - 1, pages);
  }
}

TEST(FolderWalk, PagesComeInTheOrderOfTheirWholePathsWithOrWithoutDroppedEntries) {
  testing::Folder folder;
  std::vector<std::string> expected;
  MakeTree(folder.Path() / "site", 3, expected);
  std::sort(expected.begin(), expected.end());
  for (const std::size_t kept : {std::size_t{4} << 20, std::size_t{0}}) {
    SCOPED_TRACE(kept);
    std::vector<std::string> found;
    FolderWalkEvents events;
    events.Wanted = [](std::string_view name) { return name.ends_with(".htm") || name.ends_with(".HTML"); };
    events.Found = [&found](OpenedPage& page) { found.push_back(page.Shown()); };
    events.Failed = [](const std::string& name, const std::string& reason) { ADD_FAILURE() << name << reason; };
    events.KeptBytes = kept;
    EXPECT_TRUE(WalkPages(folder / "site", events));
    EXPECT_EQ(found, expected);
  }
}

// Folders moved (renamed from the site to "out") while the walk is in a/x:
// each folder whose way back no longer checks out is told, and the walk goes
// on from the nearest folder above that still does.
TEST(FolderWalk, AFolderMovedWhileReadIsToldAndTheRestReported) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> Moves;
    std::vector<std::string> Found, Failed;
  };
  const Case cases[] = {
      {{{"site/a/x", "out/x"}}, {"a/x/p.htm", "a/z.htm", "b/last.htm"}, {"site/a/x"}},
      {{{"site/a", "out/a"}}, {"a/x/p.htm", "a/z.htm", "b/last.htm"}, {"site/a"}},
      {{{"site/a/x", "out/x"}, {"site/a", "out/a"}}, {"a/x/p.htm", "b/last.htm"}, {"site/a/x", "site/a"}},
  };
  for (const auto& [moves, expectedFound, expectedFailed] : cases) {
    testing::Folder folder;
    for (const char* name : {"site/a/x", "site/b", "out"}) fs::create_directories(folder.Path() / name);
    for (const char* name : {"site/a/x/p.htm", "site/a/z.htm", "site/b/last.htm"})
      testing::Put((folder.Path() / name).string(), "<title>t</title>\n");
    std::vector<std::string> found, failed;
    FolderWalkEvents events;
    events.Wanted = [](std::string_view name) { return name.ends_with(".htm"); };
    events.Found = [&](OpenedPage& page) {
      found.push_back(fs::relative(page.Shown(), folder.Path() / "site").string());
      if (found.size() == 1)
        for (const auto& [from, to] : moves) fs::rename(folder.Path() / from, folder.Path() / to);
    };
    events.Failed = [&](const std::string& name, const std::string& reason) {
      failed.push_back(fs::relative(name, folder.Path()).string());
      EXPECT_EQ(reason, "moved while it was read");
    };
    EXPECT_FALSE(WalkPages(folder.Path() / "site", events));
    EXPECT_EQ(found, expectedFound);
    EXPECT_EQ(failed, expectedFailed);
  }
}

}  // namespace
}  // namespace verdo
