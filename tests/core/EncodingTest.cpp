#include <gtest/gtest.h>

#include <string>

#include "core/text/Encoding.h"

namespace verdo {
namespace {

using namespace std::string_literals;

struct LabelCase {
  const char* Label;
  const char* Encoding;  // null: no encoding
};

class EncodingLabelTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(EncodingLabelTest, MapsAsBrowsersDo) {
  const LabelCase& c = GetParam();
  const auto encoding = EncodingForLabel(c.Label);
  if (!c.Encoding) {
    EXPECT_FALSE(encoding) << c.Label << " gave " << *encoding;
  } else {
    ASSERT_TRUE(encoding) << c.Label;
    EXPECT_EQ(*encoding, c.Encoding) << c.Label;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Labels, EncodingLabelTest,
    ::testing::Values(
        // Latin-1 and ASCII are read as windows-1252 by every browser.
        LabelCase{"latin1", "windows-1252"}, LabelCase{"ISO-8859-1", "windows-1252"},
        LabelCase{"us-ascii", "windows-1252"}, LabelCase{"ascii", "windows-1252"},
        LabelCase{"iso_8859-1:1987", "windows-1252"}, LabelCase{"cp1252", "windows-1252"}, LabelCase{"utf-8", "UTF-8"},
        LabelCase{"UTF8", "UTF-8"}, LabelCase{" \t\nutf-8\f\r ", "UTF-8"}, LabelCase{"unicode-1-1-utf-8", "UTF-8"},
        LabelCase{"x-unicode20utf8", "UTF-8"}, LabelCase{"iso-8859-2", "ISO-8859-2"}, LabelCase{"Latin2", "ISO-8859-2"},
        LabelCase{"iso-8859-9", "windows-1254"}, LabelCase{"tis-620", "windows-874"},
        LabelCase{"shift_jis", "Shift_JIS"}, LabelCase{"SJIS", "Shift_JIS"}, LabelCase{"windows-31j", "Shift_JIS"},
        LabelCase{"gb2312", "GBK"}, LabelCase{"gb18030", "gb18030"}, LabelCase{"big5-hkscs", "Big5"},
        LabelCase{"ks_c_5601-1987", "EUC-KR"}, LabelCase{"euc-jp", "EUC-JP"}, LabelCase{"koi8-ru", "KOI8-U"},
        LabelCase{"x-mac-roman", "macintosh"}, LabelCase{"cseucpkdfmtjapanese", "EUC-JP"},
        LabelCase{"logical", "ISO-8859-8-I"}, LabelCase{"utf-16", "UTF-16LE"}, LabelCase{"unicodefffe", "UTF-16BE"},
        LabelCase{"iso-2022-kr", "replacement"}, LabelCase{"x-user-defined", "x-user-defined"},
        // Not labels: near misses, inner spaces, UTF-32, the empty text.
        LabelCase{"utf-32", nullptr}, LabelCase{"utf 8", nullptr}, LabelCase{"latin-1", nullptr},
        LabelCase{"iso-8859-1x", nullptr}, LabelCase{"", nullptr}, LabelCase{"   ", nullptr},
        LabelCase{"\xC2\xA0utf-8", nullptr}, LabelCase{"cseucpkdfmtjapanesex", nullptr}));

TEST(ByteOrderMark, TellsEachMarkAndItsLength) {
  struct Case {
    std::string Start;
    std::string_view Encoding;  // empty: no mark
    std::size_t Length;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF<html>", kUtf8, 3},
      {"\xFF\xFE<\0"s, kUtf16Le, 2},
      {"\xFE\xFF\0<"s, kUtf16Be, 2},
      {"\xFF\xFE\0\0"s, kUtf32Le, 4},  // UTF-32 before UTF-16, whose mark starts it
      {"\0\0\xFE\xFF"s, kUtf32Be, 4},
      {"\xEF\xBB", {}, 0},
      {"<html>", {}, 0},
      {"", {}, 0},
      {" \xEF\xBB\xBF", {}, 0},
  };
  for (const Case& c : cases) {
    const auto mark = SniffByteOrderMark(c.Start);
    if (c.Encoding.empty()) {
      EXPECT_FALSE(mark);
      continue;
    }
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->Encoding, c.Encoding);
    EXPECT_EQ(mark->Length, c.Length);
  }
  EXPECT_TRUE(IsWideEncoding(kUtf16Le) && IsWideEncoding(kUtf32Be));
  EXPECT_FALSE(IsWideEncoding(kUtf8) || IsWideEncoding(kWindows1252));
}

struct Utf8Case {
  const char* Name;
  std::string Bytes;
  bool Valid;
  bool NonAscii;
};

class Utf8CheckTest : public ::testing::TestWithParam<Utf8Case> {};

// The same answer whole and cut at every place into two pieces.
TEST_P(Utf8CheckTest, SameAnswerInAnyPieces) {
  const Utf8Case& c = GetParam();
  for (std::size_t cut = 0; cut <= c.Bytes.size(); ++cut) {
    Utf8Check check;
    check.Feed(std::string_view(c.Bytes).substr(0, cut));
    check.Feed(std::string_view(c.Bytes).substr(cut));
    EXPECT_EQ(check.Valid(), c.Valid) << "cut at " << cut;
    if (c.Valid) {
      EXPECT_EQ(check.SawNonAscii(), c.NonAscii) << "cut at " << cut;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Utf8CheckTest,
    ::testing::Values(
        Utf8Case{"Ascii", "<title>plain text, long enough to skip in eights</title>", true, false},
        Utf8Case{"Empty", "", true, false},
        Utf8Case{"TwoThreeFour", "Caf\xC3\xA9 \xE2\x80\x93 5 \xE2\x82\xAC \xF0\x9F\x98\x80", true, true},
        Utf8Case{"Largest", "\xF4\x8F\xBF\xBF", true, true},
        Utf8Case{"Latin1Byte", "Caf\xE9 and more plain text after it", false, true},
        Utf8Case{"Overlong", "\xC0\xAF", false, true}, Utf8Case{"OverlongThree", "\xE0\x80\xAF", false, true},
        Utf8Case{"Surrogate", "\xED\xA0\x80", false, true}, Utf8Case{"AboveMax", "\xF4\x90\x80\x80", false, true},
        Utf8Case{"LoneContinuation", "a\x80", false, true}, Utf8Case{"CutShortAtEnd", "abc\xE2\x82", false, true},
        Utf8Case{"CutShortBeforeAscii", "\xE2\x82z", false, true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Utf8, DecodesAsBrowsersDoReplacingEachBadSequence) {
  EXPECT_EQ(Utf32FromUtf8("Caf\xC3\xA9 \xE6\x97\xA5"), U"Caf\u00E9 \u65E5");
  EXPECT_EQ(Utf32FromUtf8("\xF0\x9F\x98\x80"), U"\U0001F600");
  // The longest valid start of a sequence is one replacement; the byte that
  // breaks it starts what follows.
  EXPECT_EQ(Utf32FromUtf8("\xE2\x82z"), U"\uFFFDz");
  EXPECT_EQ(Utf32FromUtf8("\xE9t\xE9"), U"\uFFFDt\uFFFD");
  EXPECT_EQ(Utf32FromUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");
  EXPECT_EQ(Utf32FromUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Utf32FromUtf8("\xF0\x9F\x98"), U"\uFFFD");
  EXPECT_EQ(Utf8FromUtf32(U"Caf\u00E9 \u20AC \U0001F600"), "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8FromUtf32(U"\xD800"), "\xEF\xBF\xBD");
}

TEST(Cp1252WithReferences, KeepsWhatTheCodePageHoldsAndRefersToTheRest) {
  EXPECT_EQ(Cp1252WithReferencesFromUtf32(U"\u017Cubr"), "&#380;ubr");
  EXPECT_EQ(Cp1252WithReferencesFromUtf32(U"Caf\u00E9 \u2013 5 \u20AC"), "Caf\xE9 \x96 5 \x80");
  EXPECT_EQ(Cp1252WithReferencesFromUtf32(U"\u65E5\u672C"), "&#26085;&#26412;");
  EXPECT_EQ(Cp1252WithReferencesFromUtf32(U"\U0001F600"), "&#128512;");
  EXPECT_EQ(Cp1252WithReferencesFromUtf32(U"\u0081\u008D"), "\x81\x8D");  // the undefined bytes come back
  EXPECT_EQ(Cp1252WithReferencesFromUtf8("\xC5\xBC \xE9"), "&#380; &#65533;");
  EXPECT_EQ(NumericReference(U'\u20AC'), "&#8364;");
}

TEST(PageText, EncodesTheFormForWindows1252AndUtf8PagesExactly) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  EXPECT_EQ(EncodeCp1252ForPage(every, kWindows1252), every);
  EXPECT_EQ(Cp1252FromPageText(every, kWindows1252), every);
  // Every byte survives the trip through UTF-8 and back.
  const auto utf8 = EncodeCp1252ForPage(every, kUtf8);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(Cp1252FromPageText(*utf8, kUtf8), every);
  EXPECT_EQ(EncodeCp1252ForPage("Caf\xE9 \x80 \xA9", kUtf8), "Caf\xC3\xA9 \xE2\x82\xAC \xC2\xA9");
  EXPECT_EQ(Cp1252FromPageText("\xE6\x97\xA5\xE6\x9C\xAC", kUtf8), "&#26085;&#26412;");
  // Other encodings are the platform's.
  EXPECT_FALSE(EncodeCp1252ForPage("a", "ISO-8859-2"));
  EXPECT_FALSE(Cp1252FromPageText("a", "Shift_JIS"));
  EXPECT_EQ(AsciiWithReferencesFromCp1252("Caf\xE9 \x80 &#380;"), "Caf&#233; &#8364; &#380;");
}

}  // namespace
}  // namespace verdo
