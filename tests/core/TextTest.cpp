#include <gtest/gtest.h>

#include "core/text/Text.h"
#include "core/text/Windows1252.h"

namespace verdo {
namespace {

TEST(Text, TrimsTheSixSpaceBytesOnly) {
  EXPECT_EQ(TrimBoth(" \t\r\n\v\fa b\f\v\n\r\t "), "a b");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(TrimBoth("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(Text, CaseMappingTouchesAsciiLettersOnly) {
  EXPECT_EQ(ToUpperAscii("web design 2001 \xE9"), "WEB DESIGN 2001 \xE9");
  EXPECT_EQ(ToLowerAscii("HTML \xC9"), "html \xC9");
}

TEST(Text, LineEndsConvertBothWays) {
  EXPECT_EQ(CrLfToLf("a\r\nb\rc\n\r\r\n"), "a\nb\rc\n\r\n");
  EXPECT_EQ(LfToCrLf("a\nb\r"), "a\r\nb\r");
}

TEST(Text, ExtensionIsTheTextAfterTheLastDotOfTheName) {
  EXPECT_EQ(FileExtension("/x/my.page.htm"), "htm");
  EXPECT_EQ(FileExtension("/x.d/page"), "");
  EXPECT_EQ(FileExtension("/x/page.HTM"), "HTM");
  EXPECT_EQ(FileExtension("/x/page."), "");
}

TEST(Windows1252, EveryByteRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    const char32_t ch = UnicodeFromCp1252(static_cast<unsigned char>(b));
    ASSERT_EQ(Cp1252FromUnicode(ch), static_cast<unsigned char>(b)) << b;
  }
  EXPECT_EQ(UnicodeFromCp1252(0x80), U'\u20AC');
  EXPECT_EQ(UnicodeFromCp1252(0xA9), U'\u00A9');
}

TEST(Windows1252, RefusesWhatItCannotHold) {
  EXPECT_FALSE(Cp1252FromUnicode(U'\u0100'));
  EXPECT_FALSE(Cp1252FromUtf32(U"ok \u4E2D"));
  EXPECT_EQ(Cp1252FromUtf32(U"\u20AC\u00E9"), std::string("\x80\xE9"));
}

}  // namespace
}  // namespace verdo
