#include <gtest/gtest.h>

#include "core/site/HeadRules.h"

namespace verdo {
namespace {

TEST(HeadRules, LanguageTagsAndAbsoluteUrls) {
  for (const char* tag : {"en", "EN-gb", "zh-Hant-TW", "es-419", "sl-rozaj-biske", "en-a-bbb-x-private", "yue-HK",
                          "SGN-be-FR", "zh-min-nan", "qtz"})
    EXPECT_TRUE(IsLanguageTag(tag)) << tag;
  // "jp" is Japan, not Japanese; "zz" is no language.
  for (const char* tag :
       {"", "e", "english", "en_US", "en-", "en--gb", "en-x", "123", "en-a", "jp", "zz", "x-klingon", "i-klingon"})
    EXPECT_FALSE(IsLanguageTag(tag)) << tag;
  for (const char* url : {"https://example.com/a", " HTTP://Example.com ", "http://[::1]:8080/", "mailto:a@b.c"})
    EXPECT_TRUE(IsAbsoluteUrl(url)) << url;
  for (const char* url : {"/a.htm", "//example.com/a", "http://", "https://exa mple.com/", "http://x:99999/", ":x"})
    EXPECT_FALSE(IsAbsoluteUrl(url)) << url;
  EXPECT_FALSE(IsAbsoluteUrl("https://exa%20mple.com/"));
  // Written differently, one URL to a browser.
  for (const char* url : {"HTTPS://Example.COM:443/a/./b/../c d", "https://example.com:0443\\a\\b\\%2e%2E\\c%20d",
                          "https://example.com/a/c%20d"})
    EXPECT_EQ(ComparableUrl(url), "https://example.com/a/c%20d") << url;
  EXPECT_EQ(ComparableUrl("http://example.com:8080/a/..?q=a b#\"x\""), "http://example.com:8080/?q=a%20b#%22x%22");
  EXPECT_EQ(DecodeCharacterReferences("&#233;&amp;&#x17C;&bogus;&#0;"), "\xC3\xA9&\xC5\xBC&bogus;\xEF\xBF\xBD");
}

}  // namespace
}  // namespace verdo
