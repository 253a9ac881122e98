// The parser sees the head and no more: where that ends, what templates in
// it hold left out, and pages built to make a parser slow or big.
#include <gtest/gtest.h>

#include <string>

#include "core/site/HeadExtent.h"
#include "platform/HtmlOutline.h"

namespace verdo {
namespace {

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string out;
  while (times-- > 0) out += piece;
  return out;
}

TEST(HeadExtent, EndsWithTheTokenThatStartsTheBody) {
  struct Case {
    const char* Page;
    const char* Seen;  // what the parser is given
  } cases[] = {
      {"<html><head><title>a<b></title></head><body>x<p>", "<html><head><title>a<b></title></head><body>"},
      {"<head><meta charset=utf-8>\n hello", "<head><meta charset=utf-8>\n h"},
      {"<head><script>if (a<b) w('<p>')</script><title>t</title>\n<p>x",
       "<head><script>if (a<b) w('<p>')</script><title>t</title>\n<p>"},
      {"<head><!-- <p> --><link href='a>b'><style>p>a{}</style>",
       "<head><!-- <p> --><link href='a>b'><style>p>a{}</style>"},
      {"</head><meta name=x></p><br><meta name=y>", "</head><meta name=x></p><br>"},
      {"<head></br><title>t</title>", "<head></br>"},
      {"<!DOCTYPE html><head><noscript><link></noscript><frameset>",
       "<!DOCTYPE html><head><noscript><link></noscript><frameset>"},
  };
  for (const auto& c : cases) {
    const HeadExtent extent = FindHeadExtent(c.Page);
    EXPECT_EQ(std::string_view(c.Page).substr(0, extent.End), c.Seen) << c.Page;
    EXPECT_FALSE(extent.Cut) << c.Page;
  }
  const HeadExtent cut = FindHeadExtent("<meta><meta><meta><meta>", {1024, 3});
  EXPECT_EQ(cut.End, 18u);
  EXPECT_TRUE(cut.Cut);
}

TEST(HeadExtent, TemplatesAreSkippedNestedAndAll) {
  const std::string page =
      "<head><template><p><template>x</template><script>'</template>'</script></p></template>"
      "<title>t</title><p>";
  const HeadExtent extent = FindHeadExtent(page);
  ASSERT_EQ(extent.TemplateContents.size(), 1u);
  const ByteRange held = extent.TemplateContents[0];
  EXPECT_EQ(page.substr(held.Begin, held.End - held.Begin),
            "<p><template>x</template><script>'</template>'</script></p>");
  EXPECT_EQ(extent.End, page.size());
  const PageOutline outline = OutlinePage(page);
  ASSERT_EQ(outline.Head.size(), 1u);  // the parser lists no template among the head's elements
  EXPECT_EQ(outline.Head[0].Text, "t");
}

// Each of these took the parser minutes or gigabytes when it was given the
// whole page; no time is asserted: ctest's timeout catches a relapse.
TEST(HeadBound, HostileHeadsStayLinearAndBounded) {
  // Templates nested a hundred thousand deep.
  const std::string nested = "<html><head><title>Shop</title>" + Repeat("<template><b>", 100000) + "</head><body>";
  const PageOutline deep = OutlinePage(nested);
  ASSERT_EQ(deep.Head.size(), 1u);
  EXPECT_EQ(deep.Head[0].Text, "Shop");
  EXPECT_FALSE(deep.HeadCut);
  // A head of 2 MiB of links: the parser sees 16,384 tags of it.
  const std::string links = "<head><title>Shop</title>" + Repeat("<link rel=stylesheet href=a.css>", 65536);
  const PageOutline many = OutlinePage(links);
  EXPECT_TRUE(many.HeadCut);
  EXPECT_LE(many.Head.size(), HeadExtentLimits{}.Tags);
  EXPECT_EQ(many.Head[0].Text, "Shop");
  // Export's look at the head part: the same bounds, and what is cut counts.
  EXPECT_EQ(OutlineMarkup(nested).size(), 4u);  // html, head, title, and the template that holds the rest
  EXPECT_EQ(OutlineMarkup(links).back().What, MarkupItem::Kind::Text);
  // Divisions nested deep after a head without a body tag are never parsed.
  const PageOutline divs = OutlinePage("<head><title>Shop</title></head>" + Repeat("<div>", 200000));
  EXPECT_EQ(divs.Head.size(), 1u);
}

}  // namespace
}  // namespace verdo
