// The safe replace that every write of a page or template goes through, and
// the streamed export of a page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/pages/ExportPage.h"
#include "core/pages/ExportReference.h"
#include "core/text/Text.h"
#include "platform/Files.h"
#include "platform/TextFile.h"

namespace verdo {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::Folder;
using testing::Put;

TEST(TextFile, KeepsPermissionBitsAndWritesThroughASymbolicLink) {
  Folder folder;
  const std::string target = folder / "real.htm";
  Put(target, "old");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real.htm", folder / "link.htm");
  ASSERT_TRUE(WriteTextFile(folder / "link.htm", "a\nb"));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "link.htm")));
  EXPECT_EQ(Bytes(target), "a\r\nb");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link.htm", "real.htm"}));
}

TEST(TextFile, NewFileGetsTheUsualPermissions) {
  Folder folder;
  const mode_t mask = ::umask(022);
  EXPECT_TRUE(WriteTextFile(folder / "new.tem", "x\n"));
  ::umask(mask);
  EXPECT_EQ(fs::status(folder / "new.tem").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(TextFile, ReadOnlyTargetAndFolderAreRefusedForUsersWithoutRootsRights) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anything; tests/cli/test_files.py runs this as nobody";
  Folder folder;
  const std::string target = folder / "ro.htm";
  Put(target, "old");
  fs::permissions(target, fs::perms::owner_read);
  EXPECT_FALSE(WriteTextFile(target, "new"));
  EXPECT_EQ(Bytes(target), "old");
  fs::permissions(folder / "", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(WriteTextFile(folder / "other.htm", "new"));
  EXPECT_FALSE(fs::exists(folder / "other.htm"));
}

// Pages far larger than one piece of the copy (1 MiB), with every kind of
// line end: the streamed export gives what reading the whole page as text and
// composing it in memory gives.
constexpr std::size_t kPiece = 1 << 20;

// Filler lines up to `size` bytes, and no closing line among them.
std::string Filler(std::string page, std::size_t size) {
  while (page.size() < size) page += "line\r\nlf only\nlone\rcr\n";
  page.resize(size);
  return page;
}

// A CR LF pair cut by the end of each piece that the copy reads from `copyFrom`.
std::string CutPairs(const std::string& start, std::size_t copyFrom) {
  std::string page = start;
  for (std::size_t piece = 1; piece <= 3; ++piece) page = Filler(page, copyFrom + piece * kPiece - 1) + "\r\n";
  return page + "last line without end\r";
}

TEST(TextFile, StreamedExportMatchesTheWholePageComposedInMemory) {
  Folder folder;
  const std::string head = "<html>\r\n<head>\n<title>x</title>\r\n  </head> \r\n";
  const std::string closingAtPieceEnd = Filler("<html>\n", kPiece - 8) + "</HEAD>\n";
  const std::vector<std::string> pages = {
      CutPairs(head, head.size()),   // the tail is copied
      CutPairs("no closing\n", 0),   // the whole page is copied
      closingAtPieceEnd + "tail\n",  // the tail is found only in the next piece
      closingAtPieceEnd,             // nothing after the closing line
  };
  const std::string path = folder / "big.htm";
  const std::string block = "<TITLE>t</TITLE>";
  for (const std::string& text : pages) {
    Put(path, text);
    ExportSource source(path);
    ASSERT_EQ(source.State(), ExportSource::Status::Read);
    ASSERT_TRUE(source.WriteExport(path, ExportPageStart(block, source.Found())));
    const PageSplit split = SplitAtHeadEnd(CrLfToLf(text));
    EXPECT_EQ(source.Found(), split.Found);
    EXPECT_TRUE(Bytes(path) == LfToCrLf(ComposeExportPage(block, split.HeadPart, split.Tail, split.Found)));
  }
}

// Whether a page loses anything is told from its head part alone: a page
// too large to be read whole is asked about too, and Keep Them (which needs
// it whole) then refuses it, leaving it as it was.
TEST(TextFile, ExportAsksAboutAPageOfAnySizeAndKeepsNothingItCantReadWhole) {
  Folder folder;
  const std::string path = folder / "huge.htm";
  const std::string head = "<html><head><link rel=stylesheet href=a.css>\n</head>\n<body>";
  Put(path, head);
  fs::resize_file(path, (std::uint64_t{64} << 20) + 1);
  std::string asked;
  const ExportResult result = ExportIntoPage(
      path, {}, [] { return std::string("<TITLE>t</TITLE>\n"); },
      [&asked](const HeadLoss& loss) { return asked = DescribeDropped(loss), HeadLossAnswer::KeepThem; });
  EXPECT_EQ(asked, "a stylesheet link");
  EXPECT_EQ(result.Failed, ExportResult::Step::Saving);
  EXPECT_EQ(result.Reason, "larger than 64 MiB, too large to keep its head's elements");
  EXPECT_EQ(fs::file_size(path), (std::uint64_t{64} << 20) + 1);
  EXPECT_EQ(Bytes(path).substr(0, head.size()), head);
  EXPECT_EQ(folder.Names().size(), 1U) << "no temporary file left";
}

}  // namespace
}  // namespace verdo
