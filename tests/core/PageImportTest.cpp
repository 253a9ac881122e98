#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/compose/HeadBlock.h"
#include "core/pages/PageImport.h"
#include "core/text/Encoding.h"

namespace verdo {

// Readable failures: the fields, not the object's bytes.
static void PrintTo(const MetaTagForm& f, std::ostream* out) {
  *out << "{Title=" << ::testing::PrintToString(f.Title) << " Description=" << ::testing::PrintToString(f.Description)
       << " Keywords=" << ::testing::PrintToString(f.Keywords) << " Author=" << ::testing::PrintToString(f.Author)
       << " Copyright=" << ::testing::PrintToString(f.Copyright) << " Expires=" << ::testing::PrintToString(f.Expires)
       << " flags=" << f.Revisit << f.NoCache << f.NoIndex << f.NoImageIndex << f.IndexAll
       << " Distribution=" << f.Distribution << "}";
}

namespace {

using namespace std::string_literals;

// What the Import button does with a page: every LF-ended line in order,
// up to the one that ends the head section; bytes after the last LF are no line.
MetaTagForm ImportPage(std::string_view page, MetaTagForm form = {}) {
  std::size_t start = 0;
  for (std::size_t lf; (lf = page.find('\n', start)) != std::string_view::npos; start = lf + 1)
    if (ApplyPageLine(page.substr(start, lf + 1 - start), form)) break;
  return form;
}

MetaTagForm Preset() {
  MetaTagForm form;
  form.Title = "Old title";
  form.Author = "Old author";
  for (int n = 1; n <= 16; ++n) form.Keyword(n) = "old" + std::to_string(n);
  return form;
}

struct PageCase {
  const char* Name;
  std::string Page;
  std::function<void(MetaTagForm&)> Expect;  // the changes to Preset()
};

std::string Items(int count) {
  std::string list;
  for (int n = 1; n <= count; ++n) list += (n > 1 ? "," : "") + std::string("k") + std::to_string(n);
  return list;
}

const std::vector<PageCase>& PageCases() {
  static const std::vector<PageCase> cases = {
      {"TitleAndDescription",
       "<HTML>\n<HEAD>\n<TITLE>My Page</TITLE>\n<META NAME=\"Description\" CONTENT=\"About me\">\n"
       "</HEAD>\n<BODY>\n",
       [](MetaTagForm& f) {
         f.Title = "My Page";
         f.Description = "About me";
       }},
      {"CrLfLineEnds", "<title>Home</title>\r\n<meta name=author content=Ann>\r\n",
       [](MetaTagForm& f) {
         f.Title = "Home";
         f.Author = "Ann";
       }},
      {"MixedCaseTitleTagIgnored", "<Title>My Page</Title>\n", [](MetaTagForm&) {}},
      {"EmptyTitleKeepsTitle", "<TITLE></TITLE>\n", [](MetaTagForm&) {}},
      {"TitleNeedsSixteenCharacters", "<TITLE>X</TITLE\n", [](MetaTagForm&) {}},
      {"TitleLastEightCutWhateverTheyAre", "<TITLE>Garden</TITLE> \n<title>ab</titel>!!\n",
       [](MetaTagForm& f) { f.Title = "ab</"; }},
      {"TitleAndTagOnOneLineEndsAtSecondEquals", "<TITLE>My Page</TITLE><META NAME=\"author\" CONTENT=\"x\">\n",
       [](MetaTagForm& f) { f.Title = "My Page"; }},
      {"KeywordsEmptyItemSkipped", "<meta name=\"keywords\" content=\"red, green,,blue\">\n",
       [](MetaTagForm& f) {
         f.Keyword(1) = "red";
         f.Keyword(2) = "green";
         f.Keyword(3) = "blue";
       }},
      {"KeywordsBlankItemStoredEmpty", "<meta name=\"keywords\" content=\"a, ,b\">\n",
       [](MetaTagForm& f) {
         f.Keyword(1) = "a";
         f.Keyword(2) = "";
         f.Keyword(3) = "b";
       }},
      {"KeywordsSixteenAtMost", "<meta name=keywords content=" + Items(20) + ">\n",
       [](MetaTagForm& f) {
         for (int n = 1; n <= 16; ++n) f.Keyword(n) = "k" + std::to_string(n);
       }},
      {"KeywordsTrailingCommaAndLeadingComma", "<META NAME=\"KEYWORDS\" CONTENT=\",x ,\">\n",
       [](MetaTagForm& f) { f.Keyword(1) = "x"; }},
      {"KeywordsEmptyValueChangesNothing", "<meta name=\"keywords\" content=\"\">\n", [](MetaTagForm&) {}},
      {"KeywordsSecondTagStartsAgain", "<meta name=\"key words\" content=\"a,b\">\n<meta name=key words content=c>\n",
       [](MetaTagForm& f) {
         f.Keyword(1) = "c";
         f.Keyword(2) = "b";
       }},
      {"KeywordsKeepCaseAndDuplicates", "<meta name=keywords content=\"Red,red\">\n",
       [](MetaTagForm& f) {
         f.Keyword(1) = "Red";
         f.Keyword(2) = "red";
       }},
      {"RobotsTokensAnyCase", "<META NAME=\"robots\" CONTENT=\"NOINDEX, NoCache\">\n",
       [](MetaTagForm& f) {
         f.NoIndex = 1;
         f.NoCache = 1;
       }},
      {"RobotsAllFour", "<meta name=robots content=\"indexall,noimageindex , noindex,nocache\">\n",
       [](MetaTagForm& f) {
         f.IndexAll = 1;
         f.NoImageIndex = 1;
         f.NoIndex = 1;
         f.NoCache = 1;
       }},
      {"RobotsUnknownTokensIgnored", "<meta name=\"robots\" content=\"noimgageindex, nofollow\">\n",
       [](MetaTagForm&) {}},
      {"RobotsAfterFourItemsRunTogether", "<meta name=robots content=\"a,b,c,d,noindex,nocache\">\n",
       [](MetaTagForm&) {}},
      {"RobotsRemainderAfterFourStillChecked", "<meta name=robots content=\"a,b,c,d,noindex\">\n",
       [](MetaTagForm& f) { f.NoIndex = 1; }},
      {"RobotsFourthItemExamined", "<meta name=robots content=\"a,b,c,nocache,noindex\">\n",
       [](MetaTagForm& f) {
         f.NoCache = 1;
         f.NoIndex = 1;
       }},
      {"RobotsEmptyItemsNotCounted", "<meta name=robots content=\",,a,,b,c,nocache,noindex\">\n",
       [](MetaTagForm& f) {
         f.NoCache = 1;
         f.NoIndex = 1;
       }},
      {"DistributionGlobalExactly", "<meta name=distribution content=Global>\n",
       [](MetaTagForm& f) { f.Distribution = kDistributionGlobal; }},
      {"DistributionAnythingElseIsLocal", "<meta name=\"distribution\" content=\"global\">\n",
       [](MetaTagForm& f) { f.Distribution = kDistributionLocal; }},
      {"RevisitValueNotLookedAt", "<meta name=\"revisit-after\" content=\"7 days\">\n",
       [](MetaTagForm& f) { f.Revisit = 1; }},
      {"ExpiresBothForms", "<META HTTP-EQUIV=\"Expires\" CONTENT=\"Mon\">\n<meta http-equiv=expires content=Tue>\n",
       [](MetaTagForm& f) { f.Expires = "Tue"; }},
      {"CopyrightEmptyValueEmpties", "<meta name=\"copyright\" content=\"\">\n",
       [](MetaTagForm& f) { f.Copyright = ""; }},
      {"OnlyQuotesAndGreaterThanDropped", "<meta name=\"author\" content=x\" />\n",
       [](MetaTagForm& f) { f.Author = "x /"; }},
      {"GreaterThanInsideValueDropped", "<meta name=\"description\" content=\"a > b\">\n",
       [](MetaTagForm& f) { f.Description = "a  b"; }},
      {"ThirdEqualsStaysInValue", "<meta name=description content=\"x=1&y='2'\">\n",
       [](MetaTagForm& f) { f.Description = "x=1&y='2'"; }},
      {"ValueKeepsCaseAndLeadingBlank", "<meta name=author content= \"Web Team\">\n",
       [](MetaTagForm& f) { f.Author = " Web Team"; }},
      {"OtherSpellingsIgnored",
       "<meta name = \"author\" content=\"x\">\n<meta content=\"x\" name=\"author\">\n"
       "<meta name='author' content='x'>\n<meta  name=author content=x>\n"
       "<meta name=\"author\"content=\"x\">\n",
       [](MetaTagForm&) {}},
      {"IndentedTagRecognised", " \t<meta name=author content=x>\n", [](MetaTagForm& f) { f.Author = "x"; }},
      {"TagAfterTextIgnored", "<p><meta name=author content=x>\n", [](MetaTagForm&) {}},
      {"TagOverTwoLinesIgnored", "<meta name=\"author\"\ncontent=\"x\">\n", [](MetaTagForm&) {}},
      {"LastLineWithoutLineEndIgnored", "<title>Seen page</title>\n<meta name=author content=x>",
       [](MetaTagForm& f) { f.Title = "Seen page"; }},
      {"LongValuesStoredWhole",
       "<meta name=description content=" + std::string(300, 'd') +
           ">\n<meta name=keywords content=" + std::string(25, 'k') + ">\n",
       [](MetaTagForm& f) {
         f.Description = std::string(300, 'd');
         f.Keyword(1) = std::string(25, 'k');
       }},
      {"BytesKeptAsTheyAre", "<meta name=description content=\"caf\xE9\x02\x01\">\n",
       [](MetaTagForm& f) { f.Description = "caf\xE9\x02\x01"; }},
      // What a browser shows: the title ends at its first end tag, a quoted
      // value at its closing quote; NUL is U+FFFD, a CR a blank.
      {"ScriptAfterAnEmptyTitleIgnored", "<title></title><script>alert(document.cookie)</script></title>\n",
       [](MetaTagForm&) {}},
      {"TitleEndsAtItsFirstEndTagInAnyCase", "<title>ab</title>!!\n<TITLE>a=b</titlex=c</Title >x</TITLE>\n",
       [](MetaTagForm& f) { f.Title = "a=b</titlex=c"; }},
      {"QuotedValueEndsAtItsClosingQuote",
       "<meta name=\"author\" content=\"x\" />\n<meta name=description content=\"d\" onclick=\"e()\">\n",
       [](MetaTagForm& f) {
         f.Author = "x";
         f.Description = "d";
       }},
      {"SingleQuotedValueEndsAtItsClosingQuote",
       "<meta name=\"author\" content='sq\"x' foo=\"bar\">\n<meta name=description content='open \"d\">\n",
       [](MetaTagForm& f) {
         f.Author = "sq\"x";
         f.Description = "'open d";
       }},
      {"NulAndLoneCrAsABrowserShowsThem",
       "<TITLE>a\rb\0</TITLE>\n<meta name=description content=\"caf\xE9\0\x01\">\n<meta name=keywords content=\"\0,b\rc\">\n"s,
       [](MetaTagForm& f) {
         f.Title = "a b&#65533;";
         f.Description = "caf\xE9&#65533;\x01";
         f.Keyword(1) = "&#65533;";
         f.Keyword(2) = "b c";
       }},
      {"HeadEndStopsTheImport", "<title>Before</title>\n</HEAD>\n<meta name=author content=after>\n",
       [](MetaTagForm& f) { f.Title = "Before"; }},
      {"LowerCaseHeadEndIndentedAndFollowed",
       "  </head><meta name=author content=x>\n<meta name=description content=after>\n", [](MetaTagForm&) {}},
      {"OtherHeadEndsDoNotStop", "</Head>\n<p></head>\n<meta name=author content=after>\n",
       [](MetaTagForm& f) { f.Author = "after"; }},
  };
  return cases;
}

class PageImportCases : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageImportCases, ChangesOnlyTheFieldsItsTagsName) {
  MetaTagForm expected = Preset();
  GetParam().Expect(expected);
  EXPECT_EQ(ImportPage(GetParam().Page, Preset()), expected);
}

void PrintTo(const PageCase& c, std::ostream* out) { *out << c.Name; }

INSTANTIATE_TEST_SUITE_P(Pages, PageImportCases, ::testing::ValuesIn(PageCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PageImport, HeadEndLineReportsAndLeavesTheFormAsItWas) {
  MetaTagForm form = Preset();
  EXPECT_TRUE(ApplyPageLine("</HEAD><title>Never read</title>\r\n", form));
  EXPECT_TRUE(ApplyPageLine("</head>", form));
  EXPECT_FALSE(ApplyPageLine("<head>\n", form));
  EXPECT_FALSE(ApplyPageLine("", form));
  EXPECT_EQ(form, Preset());
}

TEST(PageImport, ShowsEachStoredKeywordAndEachExaminedRobotsItem) {
  MetaTagForm form;
  std::vector<std::string> seen;
  const auto shown = [&] {
    seen.push_back(form.Keyword(1) + "|" + form.Keyword(2) + "|" + std::to_string(form.NoIndex));
  };
  ApplyPageLine("<meta name=keywords content=\"a,,b\">\n", form, shown);
  EXPECT_EQ(seen, (std::vector<std::string>{"a||0", "a|b|0"}));
  seen.clear();
  ApplyPageLine("<meta name=keywords content=\"" + Items(18) + "\">\n", form, shown);
  EXPECT_EQ(seen.size(), 16u);
  seen.clear();
  // Comma-ended items are shown one by one, the remainder is not.
  ApplyPageLine("<meta name=robots content=\"noindex,,x,y,z,w\">\n", form, shown);
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen.front(), "k1|k2|1");
}

TEST(PageImport, ReadsBackTheHeadBlockTheProgramWrites) {
  MetaTagForm written;
  written.Title = "Shop";
  written.Description = "Fresh bread";
  written.Keyword(1) = "bread";
  written.Keyword(2) = "rolls";
  written.Author = "Baker";
  written.Expires = "never";
  written.Revisit = written.NoIndex = written.NoImageIndex = written.IndexAll = written.NoCache = 1;
  written.Distribution = kDistributionLocal;
  const MetaTagForm read = ImportPage(ComposeHeadBlock(written, HeadBlockStyle::Plain) + "\n");
  EXPECT_EQ(read, written);
}

TEST(PageImport, HostileLinesChangeNothingAndDoNotFail) {
  MetaTagForm form = Preset();
  const std::string junk[] = {std::string(1 << 20, 'x'), std::string(1 << 16, '='), std::string(4096, '\0'),
                              "\xFF\xFE<\x80=\x81=\x82>", "<meta name=robots content=" + std::string(1 << 16, ',')};
  for (const auto& line : junk) EXPECT_FALSE(ApplyPageLine(line, form));
  EXPECT_EQ(form, Preset());
}

// A UTF-8 page: the lines are cut and matched on their own bytes, and each
// value taken goes through the decoder into Windows-1252.
TEST(PageImport, ValuesGoThroughTheDecoderLinesAreReadOnTheirBytes) {
  const PageValueDecoder fromUtf8 = [](std::string_view value) { return *Cp1252FromPageText(value, kUtf8); };
  MetaTagForm form = Preset();
  const char* lines[] = {
      "<TITLE>Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC</TITLE>\n",
      "<meta name=\"description\" content=\"\xE6\x97\xA5\xE6\x9C\xAC = Japan\">\n",
      "<meta name=\"keywords\" content=\" \xC5\xBCubr ,caf\xC3\xA9\">\n",
      "<meta name=\"author\" content=\"Zofia \xC5\x81\">\n",
      "<meta name=\"distribution\" content=\"Global\">\n",
  };
  for (const char* line : lines) EXPECT_FALSE(ApplyPageLine(line, form, {}, fromUtf8));
  EXPECT_EQ(form.Title, "Caf\xE9 \x96 5 \x80");
  EXPECT_EQ(form.Description, "&#26085;&#26412; = Japan");
  EXPECT_EQ(form.Keyword(1), "&#380;ubr");
  EXPECT_EQ(form.Keyword(2), "caf\xE9");
  EXPECT_EQ(form.Author, "Zofia &#321;");
  EXPECT_EQ(form.Distribution, kDistributionGlobal);
  // The decoder sees the value alone: a line it doesn't apply stays unread.
  int calls = 0;
  const PageValueDecoder counting = [&calls](std::string_view value) {
    ++calls;
    return std::string(value);
  };
  EXPECT_TRUE(ApplyPageFileLine("</HEAD>\n", true, form, {}, counting));
  EXPECT_FALSE(ApplyPageFileLine("<meta name=\"author\" content=\"x\">", false, form, {}, counting));
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace verdo
