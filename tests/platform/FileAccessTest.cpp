// The file layer against files that could hurt: links, FIFOs, devices,
// folders, names that aren't UTF-8, failing syncs, huge templates, and the
// metadata a replaced file must keep.
#include <acl/libacl.h>
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "core/form/MetaTagForm.h"
#include "platform/FileAccess.h"
#include "platform/Files.h"
#include "platform/PageFile.h"
#include "platform/ReplaceBatch.h"
#include "platform/TextFile.h"

namespace verdo {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::Folder;
using testing::Put;
using Names = std::vector<std::string>;

TEST(FileAccess, SpecialFilesAreNeitherReadNorReplaced) {
  Folder folder;
  const std::vector<std::string> special = testing::MakeSpecialFiles(folder, "htm");
  for (const std::string& path : special) {
    SCOPED_TRACE(path);
    const fs::file_type type = fs::symlink_status(path).type();
    // None of these blocks: a FIFO with no writer would hold a plain open for ever.
    EXPECT_EQ(OpenForReading(path).Result.Reason, "not a regular file");
    ExportSource page(path);
    EXPECT_EQ(page.State(), ExportSource::Status::Unreadable);
    EXPECT_EQ(page.Reason(), "not a regular file");
    MetaTagForm form;
    const MetaTagForm before = form;
    EXPECT_EQ(ApplyTemplateFile(path, form).Reason, "not a regular file");
    EXPECT_EQ(form, before);

    const Outcome written = WriteTextFile(path, "page\n");
    EXPECT_FALSE(written);
    EXPECT_EQ(written.Reason, "not a regular file");
    const ExportResult exported = ExportIntoPage(path, {}, [] { return std::string("<TITLE>t</TITLE>\n"); });
    EXPECT_EQ(exported.Failed, ExportResult::Step::Opening);
    EXPECT_EQ(fs::symlink_status(path).type(), type) << "left as it was";
  }
  Names expected;
  for (const std::string& path : special) expected.push_back(fs::path(path).filename().string());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.Names(), expected) << "no temporary file left";
}

TEST(FileAccess, LinksAreFollowedOnTheBytesOfTheirNames) {
  Folder folder;
  // A link whose target's name isn't valid UTF-8: refused, as such a name
  // itself is, and no file of another name appears.
  const std::string latin1 = folder / "caf\xE9.htm";
  Put(latin1, "old");
  fs::create_symlink("caf\xE9.htm", folder / "link.htm");
  const Outcome refused = WriteTextFile(folder / "link.htm", "new\n");
  EXPECT_EQ(refused.Reason, "name isn't valid UTF-8");
  EXPECT_EQ(Bytes(latin1), "old");
  EXPECT_EQ(folder.Names(), (Names{"caf\xE9.htm", "link.htm"}));

  // Chains of links, relative and absolute, reach the real file; a link to
  // a name not there yet makes that file.
  Put(folder / "real.htm", "old");
  fs::create_symlink(folder / "real.htm", folder / "abs.htm");
  fs::create_symlink("abs.htm", folder / "rel.htm");
  fs::create_symlink("new.htm", folder / "dangling.htm");
  ASSERT_TRUE(WriteTextFile(folder / "rel.htm", "a\n"));
  ASSERT_TRUE(WriteTextFile(folder / "dangling.htm", "b\n"));
  EXPECT_EQ(Bytes(folder / "real.htm"), "a\r\n");
  EXPECT_EQ(Bytes(folder / "new.htm"), "b\r\n");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "rel.htm")));

  fs::create_symlink("loop2.htm", folder / "loop1.htm");
  fs::create_symlink("loop1.htm", folder / "loop2.htm");
  EXPECT_EQ(WriteTextFile(folder / "loop1.htm", "x\n").Reason, "too many levels of symbolic links");
}

// Syncs that fail as an over-committed disk's do: on the file, or only on
// its folder.
int FailingSync(int) {
  errno = ENOSPC;
  return -1;
}
int FailingFolderSync(int fd) {
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) return FailingSync(fd);
  return ::fsync(fd);
}

class SyncFailure : public ::testing::Test {
 protected:
  void TearDown() override { ReplaceSyncCall(nullptr); }
};

TEST_F(SyncFailure, OfTheFileFailsTheWriteAndLeavesTheTargetAndNoTemporaryFile) {
  Folder folder;
  Put(folder / "page.htm", "old");
  ReplaceSyncCall(&FailingSync);
  const Outcome written = WriteTextFile(folder / "page.htm", "new\n");
  EXPECT_FALSE(written);
  EXPECT_EQ(written.Reason, "fsync failed: no space left on device");
  EXPECT_EQ(WriteTextFile(folder / "fresh.htm", "new\n").Reason, "fsync failed: no space left on device");
  EXPECT_EQ(Bytes(folder / "page.htm"), "old");
  EXPECT_EQ(folder.Names(), Names{"page.htm"});
}

TEST_F(SyncFailure, OfTheFolderIsReportedAfterTheRename) {
  Folder folder;
  Put(folder / "page.htm", "old");
  ReplaceSyncCall(&FailingFolderSync);
  EXPECT_EQ(WriteTextFile(folder / "page.htm", "new\n").Reason, "fsync of the folder failed: no space left on device");
  EXPECT_EQ(folder.Names(), Names{"page.htm"});
}

// Counts the syncs of files and of folders; a folder's fails when asked.
std::atomic<int> fileSyncs{0};
std::atomic<int> folderSyncs{0};
std::atomic<bool> failFolders{false};
int CountingSync(int fd) {
  struct stat status;
  const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
  ++(folder ? folderSyncs : fileSyncs);
  return folder && failFolders ? FailingSync(fd) : ::fsync(fd);
}

TEST_F(SyncFailure, ABatchSyncsEveryFileAndEachFolderOnceAndTellsAFailedFolder) {
  Folder folder;
  const Names folders = {"a", "b", "c"};
  for (const auto& name : folders) fs::create_directory(folder / name);
  ReplaceSyncCall(&CountingSync);
  for (const bool fail : {false, true}) {  // new pages, then the same replaced
    SCOPED_TRACE(fail);
    fileSyncs = folderSyncs = 0;
    failFolders = fail;
    std::vector<std::pair<std::string, std::string>> told;
    Names failedPages;  // each page renamed into a folder whose sync failed
    ReplaceBatch batch([&told](const std::string& name, const std::string& reason) { told.emplace_back(name, reason); },
                       [&failedPages](const std::string& page) { failedPages.push_back(page); });
    for (int page = 0; page < 40; ++page)
      for (const auto& name : folders) {
        OpenedPage opened = OpenedPage::Resolve(folder / (name + "/" + std::to_string(page) + ".htm"));
        ASSERT_TRUE(WritePageFile(opened, name, &batch));
      }
    EXPECT_EQ(batch.Finish(), !fail);
    EXPECT_EQ(fileSyncs, 120);
    EXPECT_EQ(folderSyncs, 3);
    EXPECT_EQ(Bytes(folder / "b/39.htm"), "b") << "renamed before the folder's sync";
    std::sort(told.begin(), told.end());
    const std::string reason = "fsync of the folder failed: no space left on device";
    decltype(told) expected;
    if (fail)
      for (const auto& name : folders) expected.emplace_back(folder / name, reason);
    EXPECT_EQ(told, expected);
    EXPECT_EQ(failedPages.size(), fail ? 120U : 0U);
    EXPECT_EQ(std::count(failedPages.begin(), failedPages.end(), folder / "b/39.htm"), fail ? 1 : 0);
  }
}

TEST(FileAccess, ReplacedFileKeepsItsWholeModeAndItsLinkIsBroken) {
  Folder folder;
  const std::string page = folder / "page.htm";
  for (const mode_t mode : {04755, 02750, 01644, 0444, 0600}) {
    SCOPED_TRACE(mode);
    Put(page, "old");
    ASSERT_EQ(::chmod(page.c_str(), mode), 0);
    ASSERT_TRUE(WriteTextFile(page, "new\n")) << "root may write a read-only file";
    struct stat status;
    ASSERT_EQ(::stat(page.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode);
  }
  // A hard link keeps the old text: the new file takes only this name.
  ::chmod(page.c_str(), 0644);
  ASSERT_EQ(::link(page.c_str(), (folder / "other.htm").c_str()), 0);
  ASSERT_TRUE(WriteTextFile(page, "newer\n"));
  EXPECT_EQ(Bytes(folder / "other.htm"), "new\r\n");
}

std::string AclText(const std::string& path) {
  acl_t acl = ::acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
  if (!acl) return "";
  char* text = ::acl_to_any_text(acl, nullptr, ',', 0);
  std::string result = text ? text : "";
  ::acl_free(text);
  ::acl_free(acl);
  return result;
}

bool SetAcl(const std::string& path, const char* text, acl_type_t type = ACL_TYPE_ACCESS) {
  acl_t acl = ::acl_from_text(text);
  const bool set = acl && ::acl_set_file(path.c_str(), type, acl) == 0;
  if (acl) ::acl_free(acl);
  return set;
}

TEST(FileAccess, ReplacedFileKeepsItsAccessControlListAndExtendedAttributes) {
  Folder folder;
  const std::string page = folder / "page.htm";
  Put(page, "old");
  // The mask gives the group read only, though its entry says rw.
  if (!SetAcl(page, "u::rw-,u:nobody:rw-,g::rw-,m::r--,o::---")) GTEST_SKIP() << "no ACLs on this file system";
  const bool attributes = ::setxattr(page.c_str(), "user.origin", "shop", 4, 0) == 0;
  const std::string acl = AclText(page);

  ASSERT_TRUE(WriteTextFile(page, "new\n"));
  EXPECT_EQ(AclText(page), acl);
  EXPECT_EQ(AclText(page), "user::rw-,user:nobody:rw-,group::rw-,mask::r--,other::---");
  if (attributes) {
    char value[16] = {};
    EXPECT_EQ(::getxattr(page.c_str(), "user.origin", value, sizeof value), 4);
    EXPECT_EQ(std::string(value), "shop");
  }

  // A folder's default ACL doesn't widen a file that had none of its own.
  const std::string plain = folder / "plain.htm";
  Put(plain, "old");
  ::chmod(plain.c_str(), 0600);
  ASSERT_TRUE(SetAcl(folder / "", "u::rwx,u:nobody:rwx,g::r-x,m::rwx,o::r-x", ACL_TYPE_DEFAULT));
  ASSERT_TRUE(WriteTextFile(plain, "new\n"));
  EXPECT_EQ(::acl_extended_file(plain.c_str()), 0);
  EXPECT_EQ(fs::status(plain).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(FileAccess, TemplatesAreBoundedLineByLineAndInAll) {
  Folder folder;
  const std::string path = folder / "form.tem";
  const std::string title(3 << 20, 't');
  Put(path, "TITLE=" + title + "\r\nAUTHOR=Ann\r\n");
  MetaTagForm form;
  int applied = 0;
  ASSERT_TRUE(ApplyTemplateFile(path, form, [&applied] { ++applied; }));
  EXPECT_EQ(applied, 2);
  EXPECT_EQ(form.Title, title.substr(0, (1 << 20) - 6)) << "a line keeps its first 1 MiB";
  EXPECT_EQ(form.Author, "Ann");

  // Larger than 64 MiB (a sparse file: no disk used): refused before any line.
  Put(path, "AUTHOR=Bob\r\n");
  ASSERT_EQ(::truncate(path.c_str(), (off_t{64} << 20) + 1), 0);
  const MetaTagForm before = form;
  EXPECT_EQ(ApplyTemplateFile(path, form).Reason, "larger than 64 MiB");
  EXPECT_EQ(form, before);
}

TEST(FileAccess, AReadErrorIsAFailureNotTheEndOfTheFile) {
  const int fd = ::open("/proc/self/mem", O_RDONLY);
  if (fd < 0) GTEST_SKIP() << "no /proc/self/mem";
  EXPECT_EQ(ForEachFileLine(
                fd, [](std::string_view, bool) { return true; }, kMiB)
                .Reason,
            "input/output error");
  ::close(fd);
}

TEST(ScratchFile, BesideTakesItsNameOnlyWhenKeptAndRefusesSpecialNames) {
  Folder folder;
  const std::string name = folder / "temp.htm";
  Put(name, "earlier page");
  {
    ScratchFile scratch = ScratchFile::Beside(name);
    ASSERT_TRUE(scratch.Result());
    ASSERT_TRUE(WriteAll(scratch.Fd(), "page", 4));
    EXPECT_EQ(Bytes(name), "earlier page") << "the page takes the name only once complete";
    ASSERT_TRUE(scratch.Keep());
  }
  EXPECT_EQ(Bytes(name), "page");
  { ScratchFile dropped = ScratchFile::Beside(name); }
  EXPECT_EQ(folder.Names(), Names{"temp.htm"}) << "a scratch file not kept leaves nothing";

  for (const std::string& path : testing::MakeSpecialFiles(folder, "htm")) {
    SCOPED_TRACE(path);
    ScratchFile refused = ScratchFile::Beside(path);
    EXPECT_EQ(refused.Result().Reason, "not a regular file");
    EXPECT_EQ(refused.Error(), 0);
  }
}

TEST(ScratchFile, NamelessLeavesNoNameInItsFolder) {
  Folder folder;
  ScratchFile scratch = ScratchFile::Nameless(folder.Path().string());
  ASSERT_TRUE(scratch.Result());
  ASSERT_TRUE(WriteAll(scratch.Fd(), "body\n", 5));
  EXPECT_TRUE(folder.Names().empty());
  std::string lines;
  ASSERT_TRUE(ForEachFileLine(
      scratch.Fd(), [&](std::string_view line, bool) { return lines += line, true; }, kMiB));
  EXPECT_EQ(lines, "body\n");
  EXPECT_EQ(ScratchFile::Nameless(folder / "missing").Error(), ENOENT);
}

}  // namespace
}  // namespace verdo
