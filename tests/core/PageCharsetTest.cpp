#include <gtest/gtest.h>

#include <string>

#include "core/compose/HeadBlock.h"
#include "core/pages/ExportPage.h"
#include "core/pages/PageCharset.h"

namespace verdo {
namespace {

using namespace std::string_literals;

TEST(ContentType, CharsetParameterNamesTheEncoding) {
  EXPECT_EQ(EncodingFromContentType("text/html; charset=utf-8"), kUtf8);
  EXPECT_EQ(EncodingFromContentType("text/html;CHARSET=\"ISO-8859-2\""), "ISO-8859-2");
  EXPECT_EQ(EncodingFromContentType("text/html; q=1; charset = latin1 "), kWindows1252);
  EXPECT_FALSE(EncodingFromContentType("text/html"));
  EXPECT_FALSE(EncodingFromContentType(""));
  EXPECT_FALSE(EncodingFromContentType("text/html; charset=klingon"));
  EXPECT_FALSE(EncodingFromContentType("text/html; xcharset"));
}

TEST(MetaContent, CharsetInTheContentAttribute) {
  EXPECT_EQ(EncodingFromMetaContent("text/html; charset=ISO-8859-1"), kWindows1252);
  EXPECT_EQ(EncodingFromMetaContent("text/html;charset = 'utf-8'"), kUtf8);
  EXPECT_EQ(EncodingFromMetaContent("text/html; CharSet=\"Shift_JIS\" ; x"), "Shift_JIS");
  // "charset" not followed by "=" is passed over for a later one.
  EXPECT_EQ(EncodingFromMetaContent("charsetx; charset=utf-8"), kUtf8);
  EXPECT_FALSE(EncodingFromMetaContent("text/html; charset=\"utf-8"));  // unmatched quote
  EXPECT_FALSE(EncodingFromMetaContent("text/html"));
  EXPECT_FALSE(EncodingFromMetaContent("charset="));
}

struct DeclarationCase {
  const char* Name;
  std::string Page;
  std::string Encoding;  // empty: no declaration
  std::string Tag;
};

class DeclarationTest : public ::testing::TestWithParam<DeclarationCase> {};

void ExpectDeclaration(const CharsetDeclarationFinder& finder, const DeclarationCase& c, const char* how) {
  if (c.Encoding.empty()) {
    EXPECT_FALSE(finder.Found()) << how << ": found " << finder.Tag();
    return;
  }
  ASSERT_TRUE(finder.Found()) << how;
  EXPECT_EQ(*finder.Encoding(), c.Encoding) << how;
  EXPECT_EQ(finder.Tag(), c.Tag) << how;
}

// Whole, byte by byte, and in lines: the same answer.
TEST_P(DeclarationTest, FindsTheDeclaringTag) {
  const DeclarationCase& c = GetParam();
  CharsetDeclarationFinder whole;
  whole.Feed(c.Page);
  ExpectDeclaration(whole, c, "whole");
  CharsetDeclarationFinder bytes;
  for (char b : c.Page) bytes.Feed(std::string_view(&b, 1));
  ExpectDeclaration(bytes, c, "byte by byte");
  CharsetDeclarationFinder lines;
  std::string_view rest = c.Page;
  for (auto lf = rest.find('\n'); lf != std::string_view::npos; lf = rest.find('\n')) {
    lines.Feed(rest.substr(0, lf + 1));
    rest.remove_prefix(lf + 1);
  }
  lines.Feed(rest);
  ExpectDeclaration(lines, c, "in lines");
}

const std::string kXhtmlTag = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\" />";

INSTANTIATE_TEST_SUITE_P(
    Pages, DeclarationTest,
    ::testing::Values(
        DeclarationCase{"Html5", "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>x</title>\n",
                        "UTF-8", "<meta charset=\"utf-8\">"},
        DeclarationCase{
            "XhtmlHttpEquiv",
            "<?xml version=\"1.0\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n" + kXhtmlTag + "\n",
            "windows-1252", kXhtmlTag},
        DeclarationCase{"UpperCaseUnquotedContentFirst",
                        "<HEAD><META CONTENT=\"text/html; charset=iso-8859-2\" HTTP-EQUIV=content-type></HEAD>",
                        "ISO-8859-2", "<META CONTENT=\"text/html; charset=iso-8859-2\" HTTP-EQUIV=content-type>"},
        DeclarationCase{"SingleQuotesOverLines", "<meta\r\n  charset='Shift_JIS'\r\n/>\r\n", "Shift_JIS",
                        "<meta\r\n  charset='Shift_JIS'\r\n/>"},
        DeclarationCase{"Unquoted", "<meta charset=koi8-r>", "KOI8-R", "<meta charset=koi8-r>"},
        DeclarationCase{"SlashAfterMeta", "<meta/charset=utf-8>", "UTF-8", "<meta/charset=utf-8>"},
        // A page that can declare itself isn't UTF-16: browsers read UTF-8.
        DeclarationCase{"Utf16MeansUtf8", "<meta charset=\"utf-16\">", "UTF-8", "<meta charset=\"utf-16\">"},
        DeclarationCase{"UserDefined", "<meta charset=x-user-defined>", "windows-1252",
                        "<meta charset=x-user-defined>"},
        // The first declaration that names a known encoding counts.
        DeclarationCase{"UnknownLabelSkipped", "<meta charset=klingon><meta charset=utf-8>", "UTF-8",
                        "<meta charset=utf-8>"},
        DeclarationCase{"FirstWins", "<meta charset=latin2>\n<meta charset=utf-8>", "ISO-8859-2",
                        "<meta charset=latin2>"},
        DeclarationCase{"RepeatedAttributeFirstCounts", "<meta charset=latin2 charset=utf-8>", "ISO-8859-2",
                        "<meta charset=latin2 charset=utf-8>"},
        DeclarationCase{"ContentWithoutHttpEquiv", "<meta name=x content=\"text/html; charset=utf-8\">", "", ""},
        DeclarationCase{"HttpEquivOtherThanContentType",
                        "<meta http-equiv=refresh content=\"text/html; charset=utf-8\">", "", ""},
        DeclarationCase{"InAComment", "<!-- <meta charset=utf-8> -->\n<title>x</title>", "", ""},
        DeclarationCase{"AfterAComment", "<!-- x -- > -->\n<meta charset=utf-8>", "UTF-8", "<meta charset=utf-8>"},
        DeclarationCase{"InsideAnotherTagsValue", "<a title=\"<meta charset=utf-8>\">", "", ""},
        DeclarationCase{"NotAMetaTag", "<metadata charset=utf-8>", "", ""},
        DeclarationCase{"InText", "meta charset=utf-8", "", ""},
        DeclarationCase{"Unfinished", "<meta charset=\"utf-8", "", ""},
        DeclarationCase{"None", "<html>\n<head>\n<title>Old</title>\n</head>\n", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Declaration, AnOverlongTagIsGivenUpOn) {
  CharsetDeclarationFinder finder;
  finder.Feed("<a title=\"");
  finder.Feed(std::string(CharsetDeclarationFinder::kLongestTag, 'x'));
  finder.Feed("\"><meta charset=utf-8>");
  ASSERT_TRUE(finder.Found());
  EXPECT_EQ(finder.Tag(), "<meta charset=utf-8>");
}

PageCharset Scan(std::string_view head, std::string_view rest = {},
                 std::optional<std::string_view> transport = std::nullopt) {
  PageCharsetScanner scanner;
  scanner.FeedHead(head);
  scanner.FeedRest(rest);
  return scanner.Result(transport);
}

TEST(PageCharsetScanner, MarkThenTransportThenDeclarationThenGuess) {
  const std::string declared = "<meta charset=iso-8859-2>\n";
  EXPECT_EQ(Scan("\xEF\xBB\xBF" + declared, {}, kWindows1252).Encoding, kUtf8);
  EXPECT_EQ(Scan("\xEF\xBB\xBF" + declared).BomLength, 3u);
  EXPECT_EQ(Scan("\xFF\xFE<\0"s).Encoding, kUtf16Le);
  EXPECT_EQ(Scan(declared, {}, kUtf8).Encoding, kUtf8);
  EXPECT_EQ(Scan(declared, "Caf\xC3\xA9").Encoding, "ISO-8859-2");
  EXPECT_EQ(Scan(declared).Declaration, "<meta charset=iso-8859-2>");
  EXPECT_EQ(Scan("<title>Caf\xC3\xA9</title>\n").Encoding, kUtf8);
  EXPECT_EQ(Scan("<title>Cafe</title>\n", "\xE2\x82\xAC").Encoding, kUtf8);
  EXPECT_EQ(Scan("<title>Caf\xE9</title>\n").Encoding, kWindows1252);
  EXPECT_EQ(Scan("<title>Caf\xC3\xA9</title>\n", "\xE9").Encoding, kWindows1252);
  EXPECT_EQ(Scan("<title>Cafe</title>\n", "plain").Encoding, kWindows1252);  // nothing but ASCII
  EXPECT_EQ(Scan("").Encoding, kWindows1252);
  // A declaration only counts in the head part.
  EXPECT_TRUE(Scan("<title>x</title>\n", "<meta charset=utf-8>").Declaration.empty());
}

TEST(PageCharsetScanner, WantsMoreOnlyWhileTheAnswerCanChange) {
  PageCharsetScanner plain;
  plain.FeedHead("<title>Cafe</title>\n");
  EXPECT_TRUE(plain.WantsMore());
  plain.FeedRest("Caf\xE9");
  EXPECT_TRUE(plain.WantsMore());  // the start of a sequence, so far
  plain.FeedRest("!");
  EXPECT_FALSE(plain.WantsMore());
  PageCharsetScanner marked;
  marked.FeedHead("\xEF\xBB\xBF");
  EXPECT_FALSE(marked.WantsMore());
  PageCharsetScanner declared;
  declared.FeedHead("<meta charset=utf-8>");
  EXPECT_FALSE(declared.WantsMore());
}

TEST(ExportPageStartInEncoding, WindowsPageWithoutDeclarationGetsTodaysBytes) {
  MetaTagForm form;
  const std::string block = ComposeHeadBlock(form, HeadBlockStyle::Plain);
  for (bool found : {true, false})
    EXPECT_EQ(ExportPageStart(block, found, PageCharset{}, {}), ExportPageStart(block, found));
}

TEST(ExportPageStartInEncoding, MarkAndDeclarationStayAndTheRestIsEncoded) {
  PageCharset charset;
  charset.Encoding = kUtf8;
  charset.BomLength = 3;
  charset.Declaration = "<meta\r\ncharset=\"utf-8\">";
  const auto encode = [](std::string_view text) { return "[" + std::string(text) + "]"; };
  EXPECT_EQ(
      ExportPageStart("<TITLE>T</TITLE>", true, charset, encode),
      "\xEF\xBB\xBF<HTML>\n<HEAD>\n<meta\ncharset=\"utf-8\">\n[<TITLE>T</TITLE>" + CreditComments() + "\n</HEAD>\n]");
  // Not found: nothing of the page is replaced, its declaration stays where it is.
  EXPECT_EQ(ExportPageStart("<TITLE>T</TITLE>", false, charset, encode),
            "\xEF\xBB\xBF<HTML>\n<HEAD>\n[<TITLE>T</TITLE>\n</HEAD>\n]");
}

}  // namespace
}  // namespace verdo
