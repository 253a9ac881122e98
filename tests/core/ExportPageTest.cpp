#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GardenForm.h"
#include "TestData.h"
#include "core/compose/HeadBlock.h"
#include "core/pages/ExportPage.h"
#include "core/pages/ExportReference.h"
#include "core/text/Text.h"

namespace verdo {
namespace {

TEST(ExportPage, SixLinePageGetsTheNewHeadSectionAndKeepsItsBody) {
  const std::string page = "<HTML>\n<HEAD>\n<TITLE>Old</TITLE>\n</HEAD>\n<BODY>Hi</BODY>\n</HTML>\n";
  const PageSplit split = SplitAtHeadEnd(page);
  EXPECT_TRUE(split.Found);
  EXPECT_EQ(split.HeadPart, "<HTML>\n<HEAD>\n<TITLE>Old</TITLE>\n</HEAD>\n");
  EXPECT_EQ(split.Tail, "<BODY>Hi</BODY>\n</HTML>\n");

  MetaTagForm form;
  form.Title = "New";
  const std::string block = ComposeHeadBlock(form, HeadBlockStyle::Plain);
  const std::string exported = ComposeExportPage(block, split.HeadPart, split.Tail, split.Found);
  EXPECT_EQ(exported, "<HTML>\n<HEAD>\n" + block +
                          "\n<!-- Meta Tags Generated with Verdo - Meta Tag Generator.  -->"
                          "\n<!-- More Information:  https://verdo.example.org/  -->\n"
                          "\n</HEAD>\n<BODY>Hi</BODY>\n</HTML>\n");
  EXPECT_EQ(exported.find("Old"), std::string::npos);
  // Exporting again replaces the head section again: the page doesn't grow.
  const PageSplit again = SplitAtHeadEnd(exported);
  EXPECT_EQ(ComposeExportPage(block, again.HeadPart, again.Tail, again.Found), exported);
}

// The garden shop's form exported into the six-line page, as the program
// writes it: the page's bytes are read and written with CR LF.
TEST(ExportPage, GardenFormIntoTheSixLinePage) {
  const std::string page = CrLfToLf(testing::TestData("six_lines.htm"));
  const PageSplit split = SplitAtHeadEnd(page);
  ASSERT_TRUE(split.Found);
  const std::string block = ComposeHeadBlock(testing::GardenForm(), HeadBlockStyle::Plain);
  EXPECT_EQ(LfToCrLf(ExportPageStart(block, split.Found) + split.Tail), testing::TestData("six_lines_exported.htm"));
}

struct SplitCase {
  const char* Name;
  std::string Page;
  std::string HeadPart;
  std::string Tail;
  bool Found;
};

class SplitAtHeadEndTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitAtHeadEndTest, CutsAfterTheClosingLine) {
  const SplitCase& c = GetParam();
  const PageSplit split = SplitAtHeadEnd(c.Page);
  EXPECT_EQ(split.HeadPart, c.HeadPart);
  EXPECT_EQ(split.Tail, c.Tail);
  EXPECT_EQ(split.Found, c.Found);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SplitAtHeadEndTest,
    ::testing::Values(
        // What follows the tag on the closing line stays, in the tail; white
        // space alone goes with the line.
        SplitCase{"RestOfClosingLineStays", "<HEAD>\n</HEAD><BODY>\nx\n", "<HEAD>\n</HEAD>", "<BODY>\nx\n", true},
        SplitCase{"BlanksThenBody", "</head> \t<body>x\n", "</head>", " \t<body>x\n", true},
        SplitCase{"IndentedLowerCase", "a\n \t</head>\nb", "a\n \t</head>\n", "b", true},
        SplitCase{"CrAndFormFeedAreSpace", "\r\f\v</HEAD>\r\nb\n", "\r\f\v</HEAD>\r\n", "b\n", true},
        SplitCase{"MixedCaseIsNoClosingLine", "a\n</Head>\nb\n", "a\n</Head>\nb\n", "", false},
        SplitCase{"TagNotOpeningTheLine", "x </HEAD>\nb\n", "x </HEAD>\nb\n", "", false},
        SplitCase{"PartialTag", "</HEAD\nb\n", "</HEAD\nb\n", "", false},
        SplitCase{"HalfUpperHalfLower", "</HEad>\nb\n", "</HEad>\nb\n", "", false},
        SplitCase{"FirstClosingLineCounts", "</HEAD>\n</head>\nb\n", "</HEAD>\n", "</head>\nb\n", true},
        // Nothing after the closing line: not found, the whole page stays.
        SplitCase{"ClosingLineLast", "<HTML>\n</HEAD>\n", "<HTML>\n</HEAD>\n", "", false},
        // A closing tag on a last line without LF is no complete line.
        SplitCase{"ClosingTagWithoutLf", "a\n</HEAD>", "a\n</HEAD>", "", false},
        // A last line without LF is kept, not dropped.
        SplitCase{"NoClosingLineKeepsLastLine", "a\nb", "a\nb", "", false},
        SplitCase{"TailWithoutLf", "</HEAD>\nend", "</HEAD>\n", "end", true},
        SplitCase{"OnlyBlankAfterwards", "</HEAD>\n\n", "</HEAD>\n", "\n", true},
        SplitCase{"Empty", "", "", "", false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ExportPage, PageWithoutClosingLineIsKeptWholeBehindANewHeadSection) {
  const std::string page = "<HTML>\n<HEAD>\n<TITLE>t</TITLE>\n</HEAD>\n";
  const PageSplit split = SplitAtHeadEnd(page);
  ASSERT_FALSE(split.Found);
  EXPECT_EQ(ComposeExportPage("<TITLE>n</TITLE>", split.HeadPart, split.Tail, split.Found),
            "<HTML>\n<HEAD>\n<TITLE>n</TITLE>\n</HEAD>\n" + page);
  // A page that couldn't be read is exported as the new head section alone.
  EXPECT_EQ(ComposeExportPage("<TITLE>n</TITLE>", "", "", false), "<HTML>\n<HEAD>\n<TITLE>n</TITLE>\n</HEAD>\n");
}

// The scanner finds the same place whatever the pieces the page comes in.
TEST(HeadEndScanner, FindsTheSamePlaceForEveryWayOfCuttingThePage) {
  const std::vector<std::string> pages = {
      "<HTML>\n<HEAD>\n<TITLE>Old</TITLE>\n</HEAD>\n<BODY>Hi</BODY>\n",
      "x\n  \t</head> trailing\r\nrest",
      "a\n </head>\t \r \t<body><p>text\nrest",
      "</Head>\n</HEA\n<</HEAD>\n </HEAD>\nz",
      "no closing line at all\n",
  };
  for (const std::string& page : pages) {
    HeadEndScanner whole;
    const auto expected = whole.Feed(page);
    for (std::size_t piece = 1; piece <= page.size(); ++piece) {
      HeadEndScanner scanner;
      std::optional<std::size_t> found;
      for (std::size_t at = 0; at < page.size() && !found; at += piece) {
        if (scanner.Feed(std::string_view(page).substr(at, piece))) found = scanner.TailStart();
      }
      EXPECT_EQ(found, expected) << page << " in pieces of " << piece;
      EXPECT_EQ(scanner.SawClosingLine(), expected.has_value());
    }
  }
}

}  // namespace
}  // namespace verdo
