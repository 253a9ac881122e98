// Export, trap page, template Save and Load against the scripted Host, on
// real files in a fresh folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/compose/HeadBlock.h"
#include "core/compose/TrapPage.h"
#include "core/pages/ExportPage.h"
#include "core/templates/Template.h"
#include "core/text/Text.h"
#include "handlers/Handlers.h"
#include "handlers/ScriptedHost.h"
#include "platform/Files.h"
#include "platform/TextFile.h"

namespace verdo {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FileSizeLimit;
using testing::Folder;
using testing::Put;
using testing::ScriptedHost;
using Log = std::vector<std::string>;

const std::string kCredits =
    "\r\n<!-- Meta Tags Generated with Verdo - Meta Tag Generator.  -->"
    "\r\n<!-- More Information:  https://verdo.example.org/  -->\r\n";

ChosenFile Chosen(const std::string& path) { return {path, FileExtension(path)}; }

const std::string kSixLinePage =
    "<HTML>\r\n<HEAD>\r\n<TITLE>Old</TITLE>\r\n</HEAD>\r\n<BODY>Hi</BODY>\r\n</HTML>\r\n";

// ---- Export ------------------------------------------------------------

Log ExportPrefix(const std::string& path) {
  return {"ReadForm", "ChooseFile open *.htm Export", "SetCaption Verdo: " + path, "ShowForm [Saving...]",
          "ReadForm"};
}

TEST(Export, ReplacesTheHeadSectionOfTheSixLinePage) {
  Folder folder;
  const std::string page = folder / "index.htm";
  Put(page, kSixLinePage);
  ScriptedHost host;
  host.Controls.Title = "New";
  host.FileAnswers.push_back(Chosen(page));
  handlers::OnExport(host);

  Log expected = ExportPrefix(page);
  expected.insert(expected.end(), {"ShowForm [Done.]", "ReadForm"});
  EXPECT_EQ(host.Log, expected);
  EXPECT_EQ(Bytes(page), "<HTML>\r\n<HEAD>\r\n" + LfToCrLf(ComposeHeadBlock(host.Controls, HeadBlockStyle::Plain)) +
                             kCredits + "\r\n</HEAD>\r\n<BODY>Hi</BODY>\r\n</HTML>\r\n");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.htm"}));

  // Once more with the same form: the same page, it doesn't grow.
  const std::string once = Bytes(page);
  host.FileAnswers.push_back(Chosen(page));
  handlers::OnExport(host);
  EXPECT_EQ(Bytes(page), once);
}

TEST(Export, NewNameGetsTheHeadSectionAloneAfterTheOpeningError) {
  Folder folder;
  const std::string page = folder / "newpage.htm";
  ScriptedHost host;
  host.FileAnswers.push_back(Chosen(page));
  handlers::OnExport(host);
  Log expected = ExportPrefix(page);
  expected.insert(expected.end(), {"ShowMessage [Import HTML] Error Opening File", "ShowForm [Done.]", "ReadForm"});
  EXPECT_EQ(host.Log, expected);
  EXPECT_EQ(Bytes(page),
            "<HTML>\r\n<HEAD>\r\n" + LfToCrLf(ComposeHeadBlock(host.Controls, HeadBlockStyle::Plain)) + "\r\n</HEAD>\r\n");
}

// Export into a page holding `bytes`, with `title` in the Title box.
struct ExportRun {
  Log Calls;
  std::string Path;
};
ExportRun ExportInto(const Folder& folder, const std::string& bytes, const std::string& title = "") {
  ExportRun run{{}, folder / "page.htm"};
  Put(run.Path, bytes);
  ScriptedHost host;
  host.Controls.Title = title;
  host.FileAnswers.push_back(Chosen(run.Path));
  handlers::OnExport(host);
  run.Calls = host.Log;
  return run;
}

// A page in UTF-16 is never cut into lines or written over.
TEST(Export, Utf16PageIsRefusedAsUnreadableAndLeftAlone) {
  Folder folder;
  const std::string bytes = std::string("\xFF\xFE<\0h\0\r\0\n\0<\0/\0h\0>\0\r\0\n\0x\0", 20);
  const ExportRun run = ExportInto(folder, bytes);
  Log expected = ExportPrefix(run.Path);
  expected.insert(expected.end(), {"ShowMessage [Import HTML] Error Opening File", "ShowForm [Done.]"});
  EXPECT_EQ(run.Calls, expected);
  EXPECT_TRUE(Bytes(run.Path) == bytes);
}

// The button writes a UTF-8 page's head section in UTF-8 and keeps its declaration.
TEST(Export, Utf8PageGetsItsHeadSectionInUtf8) {
  Folder folder;
  const ExportRun run =
      ExportInto(folder, "<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<p>Caf\xC3\xA9</p>\n", "Caf\xE9 \x80");
  EXPECT_EQ(run.Calls.back(), "ReadForm");
  const std::string page = Bytes(run.Path);
  EXPECT_TRUE(page.starts_with("<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n<TITLE>Caf\xC3\xA9 \xE2\x82\xAC</TITLE>\r\n"))
      << page;
  EXPECT_TRUE(page.ends_with("\r\n</HEAD>\r\n<p>Caf\xC3\xA9</p>\r\n"));
}

TEST(Export, PageThatExistsButCantBeReadIsNeverWrittenOver) {
  Folder folder;
  const std::string page = folder / "folder.htm";  // there, but no page to read
  fs::create_directory(page);
  ScriptedHost host;
  host.FileAnswers.push_back(Chosen(page));
  handlers::OnExport(host);
  Log expected = ExportPrefix(page);
  expected.insert(expected.end(), {"ShowMessage [Import HTML] Error Opening File", "ShowForm [Done.]"});
  EXPECT_EQ(host.Log, expected);
  EXPECT_TRUE(fs::is_directory(page));
  EXPECT_TRUE(fs::is_empty(page));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"folder.htm"}));

  if (::geteuid() != 0) {  // mode bits bind only users without root's rights
    const std::string locked = folder / "locked.htm";
    Put(locked, kSixLinePage);
    fs::permissions(locked, fs::perms::none);
    ScriptedHost again;
    again.FileAnswers.push_back(Chosen(locked));
    handlers::OnExport(again);
    EXPECT_EQ(again.Log.back(), "ShowForm [Done.]");
    fs::permissions(locked, fs::perms::owner_read);
    EXPECT_EQ(Bytes(locked), kSixLinePage);
  }
}

struct RefusedName {
  const char* Name;
  std::optional<std::string> File;  // nothing: the dialog is cancelled
};

class ExportRefused : public ::testing::TestWithParam<RefusedName> {};

TEST_P(ExportRefused, WritesNothingAndLeavesTheCaption) {
  Folder folder;
  ScriptedHost host;
  if (GetParam().File) {
    const std::string path = folder / *GetParam().File;
    Put(path, kSixLinePage);
    host.FileAnswers.push_back(Chosen(path));
  }
  handlers::OnExport(host);
  EXPECT_EQ(host.Log, (Log{"ReadForm", "ChooseFile open *.htm Export", "ShowForm [Saving...]", "ReadForm",
                           "ShowForm [Done.]", "ReadForm", "ShowMessage [Save Template] Error Saving File"}));
  if (GetParam().File) {
    EXPECT_EQ(Bytes(folder / *GetParam().File), kSixLinePage);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, ExportRefused,
                         ::testing::Values(RefusedName{"Cancelled", std::nullopt}, RefusedName{"Html", "index.html"},
                                           RefusedName{"Capitals", "INDEX.HTM"}, RefusedName{"NoExtension", "index"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(Export, FailedWriteLeavesThePageAsItWasAndNoTemporaryFile) {
  Folder folder;
  const std::string page = folder / "index.htm";
  const std::string big = kSixLinePage + std::string(4000, 'x') + "\r\n";
  Put(page, big);
  ScriptedHost host;
  host.FileAnswers.push_back(Chosen(page));
  {
    FileSizeLimit limit(1000);
    handlers::OnExport(host);
  }
  Log expected = ExportPrefix(page);
  expected.insert(expected.end(), {"ShowForm [Done.]", "ReadForm", "ShowMessage [Save Template] Error Saving File"});
  EXPECT_EQ(host.Log, expected);
  EXPECT_EQ(Bytes(page), big);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.htm"}));
}

TEST(Export, NewNameInAFolderThatIsNotThereFailsTwice) {
  Folder folder;
  const std::string page = folder / "missing/new.htm";
  ScriptedHost host;
  host.FileAnswers.push_back(Chosen(page));
  handlers::OnExport(host);
  Log expected = ExportPrefix(page);
  expected.insert(expected.end(), {"ShowMessage [Import HTML] Error Opening File", "ShowForm [Done.]", "ReadForm",
                                   "ShowMessage [Save Template] Error Saving File"});
  EXPECT_EQ(host.Log, expected);
  EXPECT_FALSE(fs::exists(folder / "missing"));
}

// ---- Trap page -----------------------------------------------------------

TEST(TrapPreview, ShowsThePageWithoutCreditsAndChangesNothing) {
  ScriptedHost host;
  host.Controls.Title = "T";
  handlers::OnTrapPreview(host);
  EXPECT_EQ(host.Log, (Log{"ReadForm", "ShowMessage [Preview Trap] " + ComposeTrapPage(host.Controls, false)}));
}

TEST(Generate, WritesThePageWithCreditsAndCrLf) {
  Folder folder;
  const std::string page = folder / "my.page.htm";
  ScriptedHost host;
  host.Controls.Title = "T";
  host.Controls.RedirectUrl = "x.htm";
  host.FileAnswers.push_back(Chosen(page));
  handlers::OnGenerate(host);
  EXPECT_EQ(host.Log, (Log{"ReadForm", "ChooseFile save *.htm Save a Template", "SetCaption Verdo: " + page}));
  const std::string first = Bytes(page);
  EXPECT_EQ(first, LfToCrLf(ComposeTrapPage(host.Controls, true)));
  // Generating again into the same name gives the same file.
  host.FileAnswers.push_back(Chosen(page));
  handlers::OnGenerate(host);
  EXPECT_EQ(Bytes(page), first);
}

// ---- Save and Generate share their failures -----------------------------

struct SaveCase {
  const char* Name;
  void (*Handler)(Host&);
  const char* Dialog;
  const char* Good;  // a name that passes
  const char* Bad;   // the same with an extension that doesn't
};
void PrintTo(const SaveCase& c, std::ostream* out) { *out << c.Name; }

class SaveFailures : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveFailures, CancelAndWrongExtensionWriteNothing) {
  const SaveCase& c = GetParam();
  Folder folder;
  for (const std::optional<std::string>& name :
       {std::optional<std::string>(), std::optional<std::string>(c.Bad), std::optional<std::string>("noext")}) {
    ScriptedHost host;
    if (name) host.FileAnswers.push_back(Chosen(folder / *name));
    c.Handler(host);
    EXPECT_EQ(host.Log, (Log{"ReadForm", c.Dialog, "ShowMessage [Save Template] Error Saving File"}));
  }
  EXPECT_TRUE(folder.Names().empty());
}

TEST_P(SaveFailures, TargetThatCantBeWrittenIsReportedAndLeftAsItWas) {
  const SaveCase& c = GetParam();
  Folder folder;
  const std::string path = folder / c.Good;
  Put(path, "old\r\n");
  // The file grows no further than `cut` bytes: the write fails there, at
  // its start, after its first byte, mid-way or one line short of its end.
  for (const rlim_t cut : {0, 1, 100, 273}) {
    SCOPED_TRACE(cut);
    {
      ScriptedHost host;
      host.FileAnswers.push_back(Chosen(path));
      FileSizeLimit limit(cut);
      c.Handler(host);
      EXPECT_EQ(host.Log, (Log{"ReadForm", c.Dialog, "SetCaption Verdo: " + path,
                               "ShowMessage [Save Template] Error Saving File"}));
    }
    EXPECT_EQ(Bytes(path), "old\r\n");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{c.Good}));
  }

  const std::string nowhere = folder / (std::string("missing/") + c.Good);
  ScriptedHost host;
  host.FileAnswers.push_back(Chosen(nowhere));
  c.Handler(host);
  EXPECT_EQ(host.Log.back(), "ShowMessage [Save Template] Error Saving File");
}

INSTANTIATE_TEST_SUITE_P(Buttons, SaveFailures,
                         ::testing::Values(SaveCase{"Generate", handlers::OnGenerate,
                                                    "ChooseFile save *.htm Save a Template", "trap.htm", "trap.HTM"},
                                           SaveCase{"Save", handlers::OnSave, "ChooseFile save *.tem Save a Template",
                                                    "form.tem", "form.TEM"}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- Templates -------------------------------------------------------------

TEST(Save, InitialAndEmptyFormsWriteTheirExactFiles) {
  Folder folder;
  ScriptedHost host;
  host.FileAnswers.push_back(Chosen(folder / "start.tem"));
  handlers::OnSave(host);
  EXPECT_EQ(host.Log, (Log{"ReadForm", "ChooseFile save *.tem Save a Template", "SetCaption Verdo: " + folder / "start.tem"}));
  EXPECT_EQ(Bytes(folder / "start.tem").size(), 290u);
  EXPECT_EQ(Bytes(folder / "start.tem"), LfToCrLf(FormatTemplate(MetaTagForm{})));

  host.Controls.Copyright.clear();
  host.FileAnswers.push_back(Chosen(folder / "empty.tem"));
  handlers::OnSave(host);
  const std::string empty = Bytes(folder / "empty.tem");
  EXPECT_EQ(empty.size(), 274u);
  EXPECT_EQ(empty.substr(0, 25), "OWNER=Verdo 1.0\r\nTITLE=\r\n");
  EXPECT_EQ(empty.substr(empty.size() - 15), "NOIMGINDEX=no\r\n");
}

TEST(Load, SaveThenLoadGivesTheFormBack) {
  Folder folder;
  const std::string path = folder / "round.tem";
  ScriptedHost saver;
  saver.Controls.Title = " lead";
  saver.Controls.Keyword(16) = "k16";
  saver.Controls.Distribution = kDistributionGlobal;
  saver.Controls.NoImageIndex = 1;
  saver.FileAnswers.push_back(Chosen(path));
  handlers::OnSave(saver);

  ScriptedHost loader;
  loader.Controls.Author = "stale";
  loader.FileAnswers.push_back(Chosen(path));
  handlers::OnLoad(loader);
  EXPECT_EQ(loader.Controls, saver.Controls);
  // ReadForm, the dialog, the caption, one show per line of 30, and one at the end.
  ASSERT_EQ(loader.Log.size(), 3u + 30u + 1u);
  EXPECT_EQ(loader.Log[2], "SetCaption Verdo: " + path);
}

TEST(Load, AppliesEachCompleteLineAndDropsAnUnfinishedLast) {
  Folder folder;
  const std::string path = folder / "part.tem";
  Put(path, "KW3=alpha\nTITLE=crlf\r\nAUTHOR=never");
  ScriptedHost host;
  host.Controls.Author = "kept";
  host.FileAnswers.push_back(Chosen(path));
  handlers::OnLoad(host);
  EXPECT_EQ(host.Log, (Log{"ReadForm", "ChooseFile open *.tem Load a Template", "SetCaption Verdo: " + path,
                           "ShowForm []", "ShowForm []", "ShowForm []"}));
  MetaTagForm expected;
  expected.Keyword(3) = "alpha";
  expected.Title = "crlf";
  expected.Author = "kept";
  EXPECT_EQ(host.Controls, expected);
}

TEST(Load, CancelOrWrongExtensionShowsTheFormAndNothingElse) {
  Folder folder;
  Put(folder / "caps.TEM", "TITLE=x\r\n");
  for (const std::optional<std::string>& name : {std::optional<std::string>(), std::optional<std::string>("caps.TEM")}) {
    ScriptedHost host;
    host.Controls.Title = "typed";
    if (name) host.FileAnswers.push_back(Chosen(folder / *name));
    handlers::OnLoad(host);
    EXPECT_EQ(host.Log, (Log{"ReadForm", "ChooseFile open *.tem Load a Template", "ShowForm []"}));
    EXPECT_EQ(host.Controls.Title, "typed");
  }
}

TEST(Load, FileThatCantBeOpenedIsReported) {
  Folder folder;
  fs::create_directory(folder / "dir.tem");
  for (const std::string& name : {std::string("missing.tem"), std::string("dir.tem")}) {
    ScriptedHost host;
    host.Controls.Title = "typed";
    host.FileAnswers.push_back(Chosen(folder / name));
    handlers::OnLoad(host);
    EXPECT_EQ(host.Log, (Log{"ReadForm", "ChooseFile open *.tem Load a Template", "SetCaption Verdo: " + folder / name,
                             "ShowMessage [Load Template] Error Opening File", "ShowForm []"}));
    EXPECT_EQ(host.Controls.Title, "typed");
  }
  EXPECT_FALSE(fs::exists(folder / "missing.tem"));
}

}  // namespace
}  // namespace verdo
