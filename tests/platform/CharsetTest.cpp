// Pages in their own encodings: the conversions of the file layer, and
// Export into pages the tests write, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "core/compose/HeadBlock.h"
#include "core/pages/ExportPage.h"
#include "core/pages/ExportReference.h"
#include "core/text/Encoding.h"
#include "core/text/Text.h"
#include "platform/Charset.h"
#include "platform/Files.h"
#include "platform/TextFile.h"

namespace verdo {
namespace {

using namespace std::string_literals;
using testing::Bytes;
using testing::Folder;
using testing::Put;

TEST(Charset, EncodesTheFormForPagesOfOtherEncodings) {
  const std::string form = "Caf\xE9 \x96 5 \x80 \xA9 &#380;";  // Windows-1252
  EXPECT_EQ(EncodeForPage(form, "ISO-8859-2"), "Caf\xE9 &#8211; 5 &#8364; &#169; &#380;");
  EXPECT_EQ(EncodeForPage(form, "windows-1250"), "Caf\xE9 \x96 5 \x80 \xA9 &#380;");
  EXPECT_EQ(EncodeForPage(form, "Shift_JIS"), "Caf&#233; &#8211; 5 &#8364; &#169; &#380;");
  EXPECT_EQ(EncodeForPage("\xA7", "Shift_JIS"), "\x81\x98");  // the section sign is in code page 932
  // A stateful encoding is back in ASCII before each reference and at the end.
  EXPECT_EQ(EncodeForPage("\xD7\xE9", "ISO-2022-JP"), "\x1B$B!_\x1B(B&#233;");
  // Encodings nothing converts to get ASCII and references.
  EXPECT_EQ(EncodeForPage("Caf\xE9", "replacement"), "Caf&#233;");
  EXPECT_EQ(EncodeForPage("Caf\xE9", "x-user-defined"), "Caf&#233;");
  // The core's own two, exactly.
  EXPECT_EQ(EncodeForPage(form, kWindows1252), form);
  EXPECT_EQ(EncodeForPage("\x81\x8D\x8F\x90\x9D", kWindows1252), "\x81\x8D\x8F\x90\x9D");
  EXPECT_EQ(EncodeForPage("\x80", kUtf8), "\xE2\x82\xAC");
}

TEST(Charset, DecodesPageValuesIntoTheForm) {
  EXPECT_EQ(DecodeForForm("Za\xBF\xF3\xB3\xE6 caf\xE9", "ISO-8859-2"), "Za&#380;\xF3&#322;&#263; caf\xE9");
  EXPECT_EQ(DecodeForForm("\x93\xFA\x96\x7B", "Shift_JIS"), "&#26085;&#26412;");
  EXPECT_EQ(DecodeForForm("\x1B$BF|K\\\x1B(B!", "ISO-2022-JP"), "&#26085;&#26412;!");
  EXPECT_EQ(DecodeForForm("\xC8\xD5", "GBK"), "&#26085;");
  EXPECT_EQ(DecodeForForm("\x80", "windows-1251"), "&#1026;");
  // A byte that isn't a character of the encoding becomes U+FFFD.
  EXPECT_EQ(DecodeForForm("a\xFF"
                          "b",
                          "Shift_JIS"),
            "a&#65533;b");
  EXPECT_EQ(DecodeForForm("Caf\xC3\xA9 \xE9", kUtf8), "Caf\xE9 &#65533;");
  EXPECT_EQ(DecodeForForm("\x81\x8D\xE9", kWindows1252), "\x81\x8D\xE9");
  EXPECT_FALSE(FormDecoderFor(kWindows1252));
  EXPECT_EQ(FormDecoderFor("ISO-8859-2")("\xBF"), "&#380;");
}

MetaTagForm CafeForm() {
  MetaTagForm form;  // its copyright is "Copyright \xA9 2000"
  form.Title = "Caf\xE9 \x96 5 \x80";
  form.Author = "&#26085;&#26412;";
  return form;
}

struct ExportCase {
  const char* Name;
  std::string Page;
  std::string_view Encoding;
  std::string Start;  // the exported page's first bytes, through its title line
  std::string Kept;   // its last bytes: what stays of the old page
};

class ExportInEncoding : public ::testing::TestWithParam<ExportCase> {};

TEST_P(ExportInEncoding, WritesTheHeadSectionInThePagesEncoding) {
  const ExportCase& c = GetParam();
  Folder folder;
  const std::string path = folder / "page.htm";
  Put(path, c.Page);
  const std::string block = ComposeHeadBlock(CafeForm(), HeadBlockStyle::Plain);
  ExportSource source(path);
  ASSERT_EQ(source.State(), ExportSource::Status::Read);
  EXPECT_EQ(source.Charset().Encoding, c.Encoding);
  ASSERT_TRUE(source.WriteExport(path, EncodedExportStart(block, source.Found(), source.Charset())));
  const std::string written = Bytes(path);
  EXPECT_TRUE(written.starts_with(c.Start)) << written;
  EXPECT_TRUE(written.ends_with(c.Kept)) << written;
  // Byte for byte: between the title line and the kept part stand the other
  // lines of the head block and the credits, in the page's encoding.
  std::string between = block.substr(block.find('\n') + 1);
  if (source.Found()) between += CreditComments();
  EXPECT_TRUE(written == c.Start + LfToCrLf(EncodeForPage(between, c.Encoding)) + c.Kept) << written;
  if (c.Encoding == kUtf8) {
    Utf8Check check;
    check.Feed(written);
    EXPECT_TRUE(check.Valid()) << written;
    EXPECT_NE(written.find("Copyright \xC2\xA9 2000"), std::string::npos);
  }
  // Exporting again into the exported page gives the same bytes.
  if (!source.Found()) return;
  ExportSource again(path);
  EXPECT_EQ(again.Charset().Encoding, c.Encoding);
  ASSERT_TRUE(again.WriteExport(path, EncodedExportStart(block, again.Found(), again.Charset())));
  EXPECT_TRUE(Bytes(path) == written);
}

const std::string kUtf8Title = "<TITLE>Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC</TITLE>\r\n";
const std::string kCp1252Title = "<TITLE>Caf\xE9 \x96 5 \x80</TITLE>\r\n";
const std::string kXhtmlDeclaration = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\" />";

INSTANTIATE_TEST_SUITE_P(
    Pages, ExportInEncoding,
    ::testing::Values(
        ExportCase{
            "Html5Utf8",
            "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>Old</title>\r\n</head>\r\n"
            "<body>Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87</body>\r\n</html>\r\n",
            kUtf8, "<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n" + kUtf8Title,
            "\r\n</HEAD>\r\n<body>Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87</body>\r\n</html>\r\n"},
        ExportCase{"XhtmlLatin1ByHttpEquiv",
                   "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
                   "<head>\n  " +
                       kXhtmlDeclaration + "\n<title>Old</title>\n</head>\n<body>caf\xE9</body>\n</html>\n",
                   kWindows1252, "<HTML>\r\n<HEAD>\r\n" + kXhtmlDeclaration + "\r\n" + kCp1252Title,
                   "\r\n</HEAD>\r\n<body>caf\xE9</body>\r\n</html>\r\n"},
        ExportCase{"Utf8WithMark",
                   "\xEF\xBB\xBF<html>\r\n<head>\r\n<title>Old</title>\r\n</head>\r\n<body>x</body>\r\n", kUtf8,
                   "\xEF\xBB\xBF<HTML>\r\n<HEAD>\r\n" + kUtf8Title, "\r\n</HEAD>\r\n<body>x</body>\r\n"},
        // Not cut: the old page stays whole behind the new head, less its mark.
        ExportCase{"Utf8WithMarkNoClosingLine", "\xEF\xBB\xBF<p>Caf\xC3\xA9</p>\n", kUtf8,
                   "\xEF\xBB\xBF<HTML>\r\n<HEAD>\r\n" + kUtf8Title, "\r\n</HEAD>\r\n<p>Caf\xC3\xA9</p>\r\n"},
        ExportCase{"UndeclaredUtf8InTheBodyOnly",
                   "<html>\r\n<head>\r\n<title>Old</title>\r\n</head>\r\n<body>Caf\xC3\xA9</body>\r\n", kUtf8,
                   "<HTML>\r\n<HEAD>\r\n" + kUtf8Title, "\r\n</HEAD>\r\n<body>Caf\xC3\xA9</body>\r\n"},
        ExportCase{"UndeclaredLatin1", "<html>\r\n<head>\r\n</head>\r\n<body>Caf\xE9</body>\r\n", kWindows1252,
                   "<HTML>\r\n<HEAD>\r\n" + kCp1252Title, "\r\n</HEAD>\r\n<body>Caf\xE9</body>\r\n"},
        ExportCase{"Latin2Declared",
                   "<html><head>\n<META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=iso-8859-2'>\n</head>\n"
                   "<body>Za\xBF\xF3\xB3\xE6</body>\n",
                   "ISO-8859-2",
                   "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=iso-8859-2'>\r\n"
                   "<TITLE>Caf\xE9 &#8211; 5 &#8364;</TITLE>\r\n",
                   "\r\n</HEAD>\r\n<body>Za\xBF\xF3\xB3\xE6</body>\r\n"},
        ExportCase{"ShiftJisDeclared", "<head><meta charset=Shift_JIS>\n</head>\n<body>\x93\xFA\x96\x7B</body>\n",
                   "Shift_JIS",
                   "<HTML>\r\n<HEAD>\r\n<meta charset=Shift_JIS>\r\n<TITLE>Caf&#233; &#8211; 5 &#8364;</TITLE>\r\n",
                   "\r\n</HEAD>\r\n<body>\x93\xFA\x96\x7B</body>\r\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ExportInEncoding, TheSixLinePageAndOtherAsciiPagesGetTodaysBytes) {
  Folder folder;
  const std::string path = folder / "page.htm";
  const std::string block = ComposeHeadBlock(CafeForm(), HeadBlockStyle::Plain);
  for (const std::string page : {"<HTML>\r\n<HEAD>\r\n<TITLE>Old</TITLE>\r\n</HEAD>\r\n<BODY>Hi</BODY>\r\n</HTML>\r\n",
                                 "<HTML>\n<HEAD>\n<TITLE>Old</TITLE>\n</HEAD>\n"}) {
    Put(path, page);
    ExportSource source(path);
    EXPECT_EQ(source.Charset().Encoding, kWindows1252);
    ASSERT_TRUE(source.WriteExport(path, EncodedExportStart(block, source.Found(), source.Charset())));
    const PageSplit split = SplitAtHeadEnd(CrLfToLf(page));
    EXPECT_TRUE(Bytes(path) == LfToCrLf(ComposeExportPage(block, split.HeadPart, split.Tail, split.Found)));
  }
}

// The whole page counts: a byte far beyond the head decides.
TEST(ExportInEncoding, UndeclaredPagesAreUtf8OnlyWhenAllOfThemIs) {
  Folder folder;
  const std::string path = folder / "page.htm";
  const std::string start = "<html>\n<head>\n</head>\n" + std::string(3 << 20, 'x');
  for (const auto& [end, encoding] : {std::pair{"\xC3\xA9\n"s, kUtf8}, std::pair{"\xC3\xA9\xE9\n"s, kWindows1252},
                                      std::pair{"\xC3\n"s, kWindows1252}, std::pair{"\n"s, kWindows1252}}) {
    Put(path, start + end);
    ExportSource source(path);
    EXPECT_EQ(source.Charset().Encoding, encoding) << ::testing::PrintToString(end);
  }
}

TEST(ExportInEncoding, Utf16AndUtf32PagesAreRefusedAndLeftAlone) {
  Folder folder;
  const std::string path = folder / "page.htm";
  std::string utf16;
  for (char c : "<html>\r\n<head>\r\n</head>\r\n<body>x</body>\r\n"s) utf16 += std::string{c, '\0'};
  for (const std::string& page : {"\xFF\xFE" + utf16, "\xFE\xFF\0"s + utf16.substr(0, utf16.size() - 1),
                                  "\xFF\xFE\0\0<\0\0\0"s, "\0\0\xFE\xFF\0\0\0<"s}) {
    Put(path, page);
    ExportSource source(path);
    EXPECT_EQ(source.State(), ExportSource::Status::Unreadable);
    EXPECT_FALSE(source.WriteExport(path, EncodedExportStart("<TITLE>t</TITLE>", source.Found(), source.Charset())));
    EXPECT_TRUE(Bytes(path) == page);
  }
}

TEST(StoredPageCharset, TheAnswersCharsetThenTheHeadSection) {
  Folder folder;
  const std::string path = folder / "temp.htm";
  struct Case {
    std::string Page;
    std::string ContentType;
    std::string_view Encoding;
  };
  const Case cases[] = {
      {"<head>\n<meta charset=iso-8859-2>\n</head>\n", "text/html; charset=utf-8", kUtf8},
      {"<head>\n<meta charset=iso-8859-2>\n</head>\n", "text/html", "ISO-8859-2"},
      {"\xEF\xBB\xBF<head>\n", "text/html; charset=iso-8859-1", kUtf8},          // the mark is surer than the server
      {"<head>\n<title>Caf\xC3\xA9</title>\n</head>\n<body>\xE9\n", "", kUtf8},  // the head section alone counts
      {"<head>\n<title>Caf\xE9</title>\n</head>\n", "", kWindows1252},
      {"<head>\n</head>\n<meta charset=utf-8>\n", "", kWindows1252},
      {"\xFF\xFE<\0\n\0"s, "", kUtf16Le},
  };
  for (const Case& c : cases) {
    Put(path, c.Page);
    const auto charset = StoredPageCharset(path, c.ContentType);
    ASSERT_TRUE(charset);
    EXPECT_EQ(charset->Encoding, c.Encoding) << c.Page;
  }
  EXPECT_FALSE(StoredPageCharset(folder / "none.htm", ""));
}

}  // namespace
}  // namespace verdo
