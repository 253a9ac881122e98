// The audit's folder walk: the order of whole paths, whether or not the
// entries of the folders above are dropped and read again on the way back.
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

}  // namespace
}  // namespace verdo
