#include <gtest/gtest.h>

#include "core/site/HeadRules.h"
#include "core/site/SiteAudit.h"

namespace verdo {
namespace {

TEST(HeadRules, LanguageTagsUrlsAndDirectives) {
  for (const char* tag : {"en", "EN-gb", "zh-Hant-TW", "es-419", "sl-rozaj-biske", "de-CH-1901", "en-a-bbb-x-private",
                          "x-klingon", "zh-yue-HK", "sr-Latn"})
    EXPECT_TRUE(IsLanguageTag(tag)) << tag;
  for (const char* tag :
       {"", "e", "english", "en_US", "en-", "-en", "en--gb", "en-x", "123", "en-a", "en-GB-x-toolongsubtag"})
    EXPECT_FALSE(IsLanguageTag(tag)) << tag;
  for (const char* url : {"https://example.com/a", " HTTP://Example.com ", "http://[::1]:8080/", "mailto:a@b.c",
                          "https://user@example.com:443/?q#f", "ftp://x"})
    EXPECT_TRUE(IsAbsoluteUrl(url)) << url;
  for (const char* url : {"/a.htm", "a.htm", "//example.com/a", "http://", "https://exa mple.com/", "http://x:99999/",
                          "http://[::1/", "1http://x", ":x"})
    EXPECT_FALSE(IsAbsoluteUrl(url)) << url;
  EXPECT_EQ(ComparableUrl("HTTPS://Example.COM"), "https://example.com/");
  EXPECT_TRUE(PointsAtRoot("https://example.com/?utm=1"));
  EXPECT_FALSE(PointsAtRoot("https://example.com/a/"));
  EXPECT_TRUE(ForbidsIndexing(" Follow,NOINDEX "));
  EXPECT_TRUE(ForbidsIndexing("none"));
  EXPECT_FALSE(ForbidsIndexing("index, nofollow, noindexing"));
  EXPECT_TRUE(SetsViewport("initial-scale = 1"));
  EXPECT_FALSE(SetsViewport("user-scalable=no, minimum-width=1"));
}

TEST(HeadRules, ReferencesDecodedAndTheBoxesNote) {
  EXPECT_EQ(DecodeCharacterReferences("Caf&#233; &amp; &#x17C;&euro; &bogus; & &#0;"),
            "Caf\xC3\xA9 & \xC5\xBC\xE2\x82\xAC &bogus; & \xEF\xBF\xBD");
  EXPECT_EQ(MeasureNote("Title", 62, 612.4, 580), "Title: 62 characters, 612 px of 580 px: search results cut it");
  EXPECT_EQ(MeasureNote("Description", 1, 7.6, 920), "Description: 1 character, 8 px of 920 px");
  EXPECT_EQ(MeasureNote("Title", 3, std::nullopt, 580), "Title: 3 characters");
}

}  // namespace
}  // namespace verdo
