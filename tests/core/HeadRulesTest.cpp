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
  EXPECT_EQ(DecodeCharacterReferences("&#233;&amp;&#x17C;&bogus;&#0;"), "\xC3\xA9&\xC5\xBC&bogus;\xEF\xBF\xBD");
}

}  // namespace
}  // namespace verdo
