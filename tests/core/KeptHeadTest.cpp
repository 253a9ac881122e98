#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/site/KeptHead.h"

namespace verdo {
namespace {

// An element of `page` found by its text: the outline a parser would give.
HeadElement At(std::string_view page, std::string_view text, std::string tag,
               std::vector<std::pair<std::string, std::string>> attributes = {}) {
  const std::size_t begin = page.find(text);
  EXPECT_NE(begin, std::string_view::npos) << text;
  HeadElement element;
  element.Tag = std::move(tag);
  element.Bytes = {begin, begin + text.size()};
  element.Attributes = std::move(attributes);
  return element;
}

HeadElement Meta(std::string_view page, std::string_view text, std::string attribute, std::string value) {
  return At(page, text, "meta", {{std::move(attribute), std::move(value)}});
}

std::optional<std::size_t> EndOf(std::string_view page, std::string_view text) { return page.find(text) + text.size(); }

constexpr std::string_view kBlock = "<TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">";

TEST(KeptHead, ClassifiesTheHeadBlocksOwnElementsByNameOrHttpEquivInAnyCase) {
  const std::string page;
  struct Case {
    HeadElement Element;
    HeadElementKind Kind;
  } cases[] = {
      {{"title", {}, false, {}, ""}, HeadElementKind::HeadBlock},
      {{"meta", {}, false, {{"name", " Description "}}, ""}, HeadElementKind::HeadBlock},
      {{"meta", {}, false, {{"name", "REVISIT-AFTER"}}, ""}, HeadElementKind::HeadBlock},
      {{"meta", {}, false, {{"http-equiv", "Expires"}}, ""}, HeadElementKind::HeadBlock},
      {{"meta", {}, false, {{"name", "distribution"}}, ""}, HeadElementKind::HeadBlock},
      {{"meta", {}, false, {{"charset", "utf-8"}}, ""}, HeadElementKind::Charset},
      {{"meta", {}, false, {{"http-equiv", "Content-Type"}, {"content", "text/html"}}, ""}, HeadElementKind::Charset},
      {{"meta", {}, false, {{"name", "viewport"}}, ""}, HeadElementKind::Other},
      {{"meta", {}, false, {{"property", "og:description"}}, ""}, HeadElementKind::Other},
      {{"meta", {}, false, {{"name", "description-extra"}}, ""}, HeadElementKind::Other},
      {{"link", {}, false, {{"name", "description"}}, ""}, HeadElementKind::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyHeadElement(c.Element), c.Kind) << c.Element.Tag;
}

TEST(KeptHead, LineEndIsThePagesOwn) {
  EXPECT_EQ(PageLineEnd("<html>\r\n<head>\n"), "\r\n");
  EXPECT_EQ(PageLineEnd("<html>\n<head>\r\n"), "\n");
  EXPECT_EQ(PageLineEnd("<html><head>"), "\n");
  EXPECT_EQ(PageLineEnd("\n"), "\n");
}

struct ComposeCase {
  const char* Name;
  std::string Page;
  PageOutline (*Outline)(std::string_view page);
  std::string Expected;
};

class ComposeKeptHead : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeKeptHead, PutsTheBlockInPlaceAndKeepsEveryOtherByte) {
  const ComposeCase& c = GetParam();
  const auto once = ComposeKeptHeadPage(c.Page, c.Outline(c.Page), kBlock);
  ASSERT_TRUE(once);
  EXPECT_EQ(*once, c.Expected);
}

// An outline whose head starts with the page's <head> tag.
PageOutline WithHeadTag(std::string_view page, std::vector<HeadElement> head) {
  PageOutline outline;
  outline.HeadTag = ByteRange{page.find("<head>"), page.find("<head>") + 6};
  outline.Head = std::move(head);
  return outline;
}

PageOutline TitleAndDescriptionOnLines(std::string_view page) {
  return WithHeadTag(page, {At(page, "<meta charset=\"utf-8\">", "meta", {{"charset", "utf-8"}}),
                            At(page, "<title>Old</title>", "title"),
                            Meta(page, "<meta name=\"description\" content=\"x\">", "name", "description"),
                            At(page, "<link rel=\"icon\" href=\"i.png\">", "link")});
}

PageOutline OneLineHead(std::string_view page) {
  return WithHeadTag(
      page, {At(page, "<title>Old</title>", "title"), Meta(page, "<meta name=keywords content=k>", "name", "keywords"),
             At(page, "<style>p{}</style>", "style")});
}

PageOutline DescriptionApartFromTitle(std::string_view page) {
  PageOutline outline;
  outline.Head = {Meta(page, "<META NAME=\"description\" CONTENT=\"x\">", "name", "description"),
                  At(page, "<LINK REL=stylesheet HREF=s.css>", "link"), At(page, "<TITLE>Old</TITLE>", "title"),
                  At(page, "<BASE HREF=x>", "base"), At(page, "<TITLE>Second</TITLE>", "title")};
  return outline;
}

PageOutline CharsetWithoutTitle(std::string_view page) {
  return WithHeadTag(
      page, {At(page, "<meta charset=utf-8>", "meta", {{"charset", "utf-8"}}),
             Meta(page, "<meta name=robots content=noindex>", "name", "robots"), At(page, "<link rel=icon>", "link")});
}

PageOutline HeadTagOnly(std::string_view page) {
  return WithHeadTag(page, {At(page, "<script src=a.js></script>", "script")});
}

PageOutline ImpliedHeadWithLink(std::string_view page) {
  PageOutline outline;
  outline.HtmlTagEnd = EndOf(page, "<html>");
  outline.Head = {At(page, "<link rel=icon>", "link")};
  return outline;
}

PageOutline ImpliedHeadStartingWithDescription(std::string_view page) {
  PageOutline outline;
  outline.Head = {Meta(page, "<meta name=description content=x>", "name", "description"),
                  At(page, "<link rel=icon>", "link")};
  return outline;
}

PageOutline NoHeadAfterHtml(std::string_view page) {
  PageOutline outline;
  outline.DoctypeEnd = EndOf(page, "<!DOCTYPE html>");
  outline.HtmlTagEnd = EndOf(page, "<html lang=\"en\">");
  return outline;
}

PageOutline NoHeadNoHtml(std::string_view page) {
  PageOutline outline;
  outline.ContentStart = 3;
  outline.DoctypeEnd = EndOf(page, "<!doctype html>");
  return outline;
}

PageOutline NothingAtAll(std::string_view) { return {}; }

INSTANTIATE_TEST_SUITE_P(
    Pages, ComposeKeptHead,
    ::testing::Values(
        ComposeCase{"TitleAndDescriptionOnTheirOwnIndentedCrLfLines",
                    "<!DOCTYPE html>\r\n<html lang=\"de\">\r\n<head>\r\n  <meta charset=\"utf-8\">\r\n"
                    "  <title>Old</title>\r\n  <meta name=\"description\" content=\"x\">\r\n"
                    "  <link rel=\"icon\" href=\"i.png\">\r\n</head>\r\n<body>Hi</body>\r\n",
                    TitleAndDescriptionOnLines,
                    "<!DOCTYPE html>\r\n<html lang=\"de\">\r\n<head>\r\n  <meta charset=\"utf-8\">\r\n"
                    "  <TITLE>New</TITLE>\r\n  <META NAME=\"description\" CONTENT=\"d\">\r\n"
                    "  <link rel=\"icon\" href=\"i.png\">\r\n</head>\r\n<body>Hi</body>\r\n"},
        ComposeCase{"OneLineHeadKeepsItsStyle",
                    "<html><head><title>Old</title><meta name=keywords content=k><style>p{}</style></head>\n",
                    OneLineHead,
                    "<html><head><TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">"
                    "<style>p{}</style></head>\n"},
        ComposeCase{"DescriptionApartFromTheTitleGoesWithItsLineAndSoDoesASecondTitle",
                    "<HTML>\n<META NAME=\"description\" CONTENT=\"x\">\n<LINK REL=stylesheet HREF=s.css>\n"
                    "<TITLE>Old</TITLE>\n<BASE HREF=x>\n  <TITLE>Second</TITLE>  \n</HEAD>\n",
                    DescriptionApartFromTitle,
                    "<HTML>\n<LINK REL=stylesheet HREF=s.css>\n<TITLE>New</TITLE>\n"
                    "<META NAME=\"description\" CONTENT=\"d\">\n<BASE HREF=x>\n</HEAD>\n"},
        ComposeCase{"NoTitleBlockGoesAfterTheCharsetDeclaration",
                    "<head>\n\t<meta charset=utf-8>\n\t<meta name=robots content=noindex>\n\t<link rel=icon>\n",
                    CharsetWithoutTitle,
                    "<head>\n\t<meta charset=utf-8>\n\t<TITLE>New</TITLE>\n\t<META NAME=\"description\" "
                    "CONTENT=\"d\">\n\t<link rel=icon>\n"},
        ComposeCase{"NoTitleNoCharsetBlockGoesAfterTheHeadTagIndentedAsTheHeadsChildren",
                    "<head>\n    <script src=a.js></script>\n</head>", HeadTagOnly,
                    "<head>\n    <TITLE>New</TITLE>\n    <META NAME=\"description\" CONTENT=\"d\">\n"
                    "    <script src=a.js></script>\n</head>"},
        ComposeCase{"ImpliedHeadGetsTheBlockInFrontOfItsFirstElement", "<html>\n  <link rel=icon>\n<p>x",
                    ImpliedHeadWithLink,
                    "<html>\n  <TITLE>New</TITLE>\n  <META NAME=\"description\" CONTENT=\"d\">\n"
                    "  <link rel=icon>\n<p>x"},
        ComposeCase{"ImpliedHeadWhoseFirstElementIsReplaced", "<meta name=description content=x><link rel=icon>",
                    ImpliedHeadStartingWithDescription,
                    "<TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\"><link rel=icon>"},
        ComposeCase{"NoHeadGetsOneOnTheLineAfterHtml",
                    "<!DOCTYPE html>\n<html lang=\"en\">\n<body>Hi</body>\n</html>\n", NoHeadAfterHtml,
                    "<!DOCTYPE html>\n<html lang=\"en\">\n<HEAD>\n<TITLE>New</TITLE>\n"
                    "<META NAME=\"description\" CONTENT=\"d\">\n</HEAD>\n<body>Hi</body>\n</html>\n"},
        ComposeCase{"NoHeadNoHtmlGetsOneAfterTheDoctypeAndByteOrderMark", "\xEF\xBB\xBF<!doctype html><p>Hi</p>",
                    NoHeadNoHtml,
                    "\xEF\xBB\xBF<!doctype html><HEAD>\n<TITLE>New</TITLE>\n"
                    "<META NAME=\"description\" CONTENT=\"d\">\n</HEAD>\n<p>Hi</p>"},
        ComposeCase{"EmptyPage", "", NothingAtAll,
                    "<HEAD>\n<TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">\n</HEAD>\n"},
        ComposeCase{"PlainTextPage", "Hi", NothingAtAll,
                    "<HEAD>\n<TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">\n</HEAD>\nHi"}),
    [](const auto& info) { return std::string(info.param.Name); });

// What the first run wrote, outlined as a parser sees it, comes out the same.
TEST(KeptHead, SecondRunOverItsOwnOutputChangesNothing) {
  const std::string page =
      "<head>\r\n  <meta charset=\"utf-8\">\r\n  <TITLE>New</TITLE>\r\n"
      "  <META NAME=\"description\" CONTENT=\"d\">\r\n  <link rel=\"icon\" href=\"i.png\">\r\n</head>\r\n";
  PageOutline outline;
  outline.HeadTag = ByteRange{0, 6};
  outline.Head = {At(page, "<meta charset=\"utf-8\">", "meta", {{"charset", "utf-8"}}),
                  At(page, "<TITLE>New</TITLE>", "title"),
                  Meta(page, "<META NAME=\"description\" CONTENT=\"d\">", "name", "description"),
                  At(page, "<link rel=\"icon\" href=\"i.png\">", "link")};
  EXPECT_EQ(ComposeKeptHeadPage(page, outline, kBlock), page);
}

TEST(KeptHead, ATitleWithoutEndTagIsRefusedItsTextRunsToTheEnd) {
  const std::string page = "<head><title>Old\n<body>all of it";
  PageOutline outline;
  outline.Head = {At(page, "<title>Old\n<body>all of it", "title")};
  outline.Head[0].EndTagMissing = true;
  EXPECT_FALSE(ComposeKeptHeadPage(page, outline, kBlock));
}

TEST(KeptHead, CommentBetweenTitleAndDescriptionStays) {
  const std::string page = "<title>Old</title>\n<!-- keep -->\n<meta name=description content=x>\n<p>";
  PageOutline outline;
  outline.Head = {At(page, "<title>Old</title>", "title"),
                  Meta(page, "<meta name=description content=x>", "name", "description")};
  EXPECT_EQ(ComposeKeptHeadPage(page, outline, kBlock),
            "<TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">\n<!-- keep -->\n<p>");
}

TEST(KeptHead, FieldListsTakeTheNamesInAnyCaseAndNothingElse) {
  const auto some = OwnedFields::Parse("author, Robots,revisit-after");
  ASSERT_TRUE(some);
  EXPECT_FALSE(some->HasTitle());
  EXPECT_TRUE(some->Has(3) && some->Has(5) && some->Has(8));
  EXPECT_FALSE(some->Has(1) || some->Has(4) || some->Has(6));
  for (const char* wrong : {"", "titel", "title,,author", "meta", "description-extra"})
    EXPECT_FALSE(OwnedFields::Parse(wrong)) << wrong;
  EXPECT_EQ(OwnedFields::Names(),
            "title, description, keywords, author, copyright, robots, expires, distribution, revisit-after");
}

constexpr std::string_view kAuthorBlock =
    "<TITLE>New</TITLE>\n<META NAME=\"description\" CONTENT=\"d\">\n<META NAME=\"author\" CONTENT=\"a\">";

// Only some fields: the page's other owned elements stay as they are.
TEST(KeptHead, SomeFieldsReplaceTheirOwnElementsAndLeaveTheOthers) {
  const std::string page =
      "<head>\n  <title>Old</title>\n  <meta name=description content=x>\n  <meta name=author content=o>\n</head>";
  // The outline of whichever of these elements the page holds, in its order.
  const auto outline = [](std::string_view text) {
    const std::pair<std::string_view, const char*> known[] = {{"<title>Old</title>", ""},
                                                              {"<TITLE>New</TITLE>", ""},
                                                              {"<meta name=description content=x>", "description"},
                                                              {"<meta name=author content=o>", "author"},
                                                              {"<META NAME=\"author\" CONTENT=\"a\">", "author"}};
    std::vector<HeadElement> head;
    for (const auto& [element, name] : known)
      if (text.find(element) != std::string_view::npos)
        head.push_back(*name ? Meta(text, element, "name", name) : At(text, element, "title"));
    std::sort(head.begin(), head.end(), [](const auto& x, const auto& y) { return x.Bytes.Begin < y.Bytes.Begin; });
    return WithHeadTag(text, head);
  };
  const std::string withoutAuthor = "<head>\n  <title>Old</title>\n  <meta name=description content=x>\n</head>";
  struct Case {
    std::string Page;
    const char* Fields;
    std::string_view Block;
    std::string Expected;
  } cases[] = {
      // In place of the page's own.
      {page, "author", kAuthorBlock,
       "<head>\n  <title>Old</title>\n  <meta name=description content=x>\n  <META NAME=\"author\" CONTENT=\"a\">\n"
       "</head>"},
      // None in the page: on the line after its title.
      {withoutAuthor, "author,keywords", kAuthorBlock,
       "<head>\n  <title>Old</title>\n  <META NAME=\"author\" CONTENT=\"a\">\n  <meta name=description content=x>\n"
       "</head>"},
      // The form doesn't fill it: the page's goes, with its line.
      {page, "author", kBlock, "<head>\n  <title>Old</title>\n  <meta name=description content=x>\n</head>"},
      {withoutAuthor, "author", kBlock, withoutAuthor},
      // With the title: where the title stood, as a whole run does.
      {page, "title,author", kAuthorBlock,
       "<head>\n  <TITLE>New</TITLE>\n  <META NAME=\"author\" CONTENT=\"a\">\n  <meta name=description content=x>\n"
       "</head>"},
  };
  for (const auto& c : cases) {
    const auto once = ComposeKeptHeadPage(c.Page, outline(c.Page), c.Block, *OwnedFields::Parse(c.Fields));
    ASSERT_TRUE(once) << c.Fields;
    EXPECT_EQ(*once, c.Expected) << c.Fields;
    EXPECT_EQ(ComposeKeptHeadPage(*once, outline(*once), c.Block, *OwnedFields::Parse(c.Fields)), once) << c.Fields;
  }
}

}  // namespace
}  // namespace verdo
