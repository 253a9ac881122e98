// Where the HTML parser finds a page's head and its elements, in bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/site/KeptHead.h"
#include "core/text/Text.h"
#include "platform/HtmlOutline.h"

namespace verdo {
namespace {

// Each element of the head as its tag and the page's bytes it spans.
std::vector<std::pair<std::string, std::string>> Elements(std::string_view page, const PageOutline& outline) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& element : outline.Head)
    out.emplace_back(element.Tag,
                     std::string(page.substr(element.Bytes.Begin, element.Bytes.End - element.Bytes.Begin)));
  return out;
}

using Spans = std::vector<std::pair<std::string, std::string>>;

struct OutlineCase {
  const char* Name;
  std::string Page;
  Spans Head;
};

class Outline : public ::testing::TestWithParam<OutlineCase> {};

TEST_P(Outline, FindsEachHeadElementByteForByte) {
  const auto& c = GetParam();
  EXPECT_EQ(Elements(c.Page, OutlinePage(c.Page)), c.Head);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, Outline,
    ::testing::Values(
        OutlineCase{"Html5CrLf",
                    "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
                    "<meta name=\"viewport\" content=\"width=device-width\">\r\n<title>Shop</title>\r\n"
                    "<link rel=\"stylesheet\" href=\"s.css\">\r\n</head>\r\n<body>\r\n<p>Hi</p>\r\n</body>\r\n",
                    {{"meta", "<meta charset=\"utf-8\">"},
                     {"meta", "<meta name=\"viewport\" content=\"width=device-width\">"},
                     {"title", "<title>Shop</title>"},
                     {"link", "<link rel=\"stylesheet\" href=\"s.css\">"}}},
        OutlineCase{"XhtmlSelfClosingSingleQuotesMultiLineTags",
                    "<?xml version='1.0'?>\n<html xmlns='http://www.w3.org/1999/xhtml'>\n<head>\n"
                    "<meta http-equiv='Content-Type'\n      content='text/html; charset=utf-8' />\n"
                    "<title>A &amp; B</title>\n<meta name='description'\n  content='Tools' />\n"
                    "<script type='text/javascript'>if (a < b) document.write('</head>');</script>\n"
                    "</head>\n<body/>\n</html>\n",
                    {{"meta", "<meta http-equiv='Content-Type'\n      content='text/html; charset=utf-8' />"},
                     {"title", "<title>A &amp; B</title>"},
                     {"meta", "<meta name='description'\n  content='Tools' />"},
                     {"script", "<script type='text/javascript'>if (a < b) document.write('</head>');</script>"}}},
        OutlineCase{"Html4UpperCaseAndEndTagInMixedCaseMidLine",
                    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<HTML>\n<HEAD>\n"
                    "<TITLE>Old</TITLE>\n<META NAME=\"keywords\" CONTENT=\"a, b\">\n"
                    "<STYLE TYPE=\"text/css\">P { color: red }</STYLE></HeAd><BODY>\n<P>Hi\n</BODY>\n</HTML>\n",
                    {{"title", "<TITLE>Old</TITLE>"},
                     {"meta", "<META NAME=\"keywords\" CONTENT=\"a, b\">"},
                     {"style", "<STYLE TYPE=\"text/css\">P { color: red }</STYLE>"}}},
        OutlineCase{
            "OneLineHead",
            "<html><head><title>x</title><meta name=description content=y><base href=/></head><body>z",
            {{"title", "<title>x</title>"}, {"meta", "<meta name=description content=y>"}, {"base", "<base href=/>"}}},
        OutlineCase{"HeadEndTagOmittedTheBodyClosesIt",
                    "<!doctype html>\n<html>\n<head>\n<title>x</title>\n<link rel=icon href=i.png>\n"
                    "<div>body</div>\n<meta name=description content=late>\n",
                    {{"title", "<title>x</title>"}, {"link", "<link rel=icon href=i.png>"}}},
        OutlineCase{"NoHeadTagAtAllTheHeadIsImplied",
                    "<!doctype html><meta charset=utf-8><title>x</title><p>body",
                    {{"meta", "<meta charset=utf-8>"}, {"title", "<title>x</title>"}}},
        OutlineCase{
            "Windows1252BytesDontMoveAnything",
            "<html><head><title>Caf\xE9 \x93Rose\x94</title><meta name=author content=\"J\xFCrgen\">"
            "</head><body>\xE9",
            {{"title", "<title>Caf\xE9 \x93Rose\x94</title>"}, {"meta", "<meta name=author content=\"J\xFCrgen\">"}}},
        OutlineCase{"WhatANoscriptHoldsIsTextToABrowserRunningScripts",
                    "<html><head><noscript><link rel=stylesheet href=n.css></noscript><noscript><title>x</title>"
                    "<meta name=description content=n></NOSCRIPT><title>Real</title></head><body>",
                    {{"noscript", "<noscript><link rel=stylesheet href=n.css></noscript>"},
                     {"noscript", "<noscript>"},
                     {"title", "<title>Real</title>"}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Outline, TellsTheDoctypeHtmlAndHeadTagsAndTheTitlesText) {
  const std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<HEAD profile=\"p\">\n<title> A &amp; B </title>\n";
  const PageOutline outline = OutlinePage(page);
  EXPECT_EQ(outline.DoctypeEnd, page.find("\n"));
  EXPECT_EQ(outline.HtmlTagEnd, page.find("\n<HEAD"));
  ASSERT_TRUE(outline.HeadTag);
  EXPECT_EQ(page.substr(outline.HeadTag->Begin, outline.HeadTag->End - outline.HeadTag->Begin), "<HEAD profile=\"p\">");
  ASSERT_EQ(outline.Head.size(), 1u);
  EXPECT_EQ(outline.Head[0].Text, " A & B ");
  EXPECT_FALSE(outline.Head[0].EndTagMissing);
}

TEST(Outline, ImpliedTagsAreNotTakenForWrittenOnes) {
  const PageOutline outline = OutlinePage("<p>Hi");
  EXPECT_FALSE(outline.DoctypeEnd);
  EXPECT_FALSE(outline.HtmlTagEnd);
  EXPECT_FALSE(outline.HeadTag);
  EXPECT_TRUE(outline.Head.empty());
}

TEST(Outline, OffsetsCountFromThePagesStartPastAByteOrderMark) {
  const std::string page = "\xEF\xBB\xBF<!DOCTYPE html><html><head><title>x</title></head>";
  const PageOutline outline = OutlinePage(page, 3);
  EXPECT_EQ(outline.ContentStart, 3u);
  EXPECT_EQ(outline.DoctypeEnd, page.find("<html>"));
  ASSERT_EQ(outline.Head.size(), 1u);
  EXPECT_EQ(outline.Head[0].Bytes.Begin, page.find("<title>"));
}

TEST(Outline, ATitleWithoutEndTagIsMarked) {
  const PageOutline outline = OutlinePage("<html><head><title>runs on\n<body>to the end");
  ASSERT_EQ(outline.Head.size(), 1u);
  EXPECT_TRUE(outline.Head[0].EndTagMissing);
}

// The parser looks at the start of a page first; whatever misleads that
// look, the head is the one a whole parse gives.
TEST(Outline, APartialLookNeverCutsTheHeadShort) {
  const std::string filler(200 * 1024, 'x');
  const struct {
    const char* Name;
    std::string Page;
    std::size_t Elements;
  } cases[] = {
      {"BodyTagInsideAScript", "<head><script>var s = '<body>';" + filler + "</script><title>t</title></head><body>",
       2},
      {"HugeStyleBeforeTheTitle", "<head><style>" + filler + "</style><title>t</title><body>", 2},
      {"NoBodyTagElementsAfterHeadEnd", "<head></head>\n<title>t</title>" + filler, 1},
      {"HeadLongerThanTheFirstLook", "<head><meta name=a content=" + filler + "><title>t</title>", 2},
  };
  for (const auto& c : cases) {
    const PageOutline outline = OutlinePage(c.Page);
    EXPECT_EQ(outline.Head.size(), c.Elements) << c.Name;
    if (!outline.Head.empty()) {
      EXPECT_EQ(outline.Head.back().Tag, "title") << c.Name;
    }
  }
}

std::size_t HeadTags(const std::string& page) {
  const std::string lower = ToLowerAscii(page);
  std::size_t count = 0;
  for (std::size_t at = lower.find("<head"); at != std::string::npos; at = lower.find("<head", at + 1)) ++count;
  return count;
}

// The kept-head page, outlined again, gives itself back: the second export
// changes nothing, whatever the page's style.
TEST(Outline, KeptHeadPageExportedAgainIsTheSame) {
  const std::string block =
      "<TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">\n<META NAME=\"keywords\" CONTENT=\"k\">";
  const char* pages[] = {
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n  <meta charset=\"utf-8\">\r\n  <title>Old</title>\r\n"
      "  <meta name=\"keywords\" content=\"x\">\r\n</head>\r\n<body></body>\r\n",
      "<html><head><meta name=description content=x><title>x</title><link rel=icon></head><body>",
      "<html><head><meta charset=utf-8><link rel=icon></head><body>",
      "<html>\n<head>\n<link rel=icon>\n</head>\n<body>",
      "<!doctype html>\n<html lang=en>\n<body>Hi",
      "<p>Hi",
      "",
      "<title>x</title>\n<meta name=robots content=noindex>\n<div>",
  };
  for (const std::string page : pages) {
    const auto once = ComposeKeptHeadPage(page, OutlinePage(page), block);
    ASSERT_TRUE(once) << page;
    EXPECT_EQ(ComposeKeptHeadPage(*once, OutlinePage(*once), block), once) << page;
    EXPECT_LE(HeadTags(*once), 1u) << page;
  }
}

}  // namespace
}  // namespace verdo
