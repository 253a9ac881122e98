#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/keywords/KeywordTools.h"

namespace verdo {
namespace {

std::vector<int> Draws(std::uint32_t seed, int count) {
  KeywordRandom random(seed);
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(random.Draw());
  return out;
}

KeywordList Letters(const std::string& letters) {
  KeywordList list;
  for (std::size_t i = 0; i < letters.size(); ++i)
    if (letters[i] != '.') list[i] = std::string(1, letters[i]);
  return list;
}

// The list as one string of single letters, '.' for an empty value.
std::string Joined(const KeywordList& list) {
  std::string out;
  for (const auto& k : list) out += k.empty() ? "." : k;
  return out;
}

TEST(KeywordRandom, FirstDrawsOfSeedsOneAndZero) {
  EXPECT_EQ(Draws(1, 5), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
  EXPECT_EQ(Draws(0, 4), (std::vector<int>{38, 7719, 21238, 2437}));
}

TEST(KeywordRandom, StateWrapsAtThirtyTwoBitsAndDrawsStayInRange) {
  // The largest seed overflows on the first step; a wider state would differ.
  // 0xFFFFFFFF * 214013 + 2531011 = 2316998 (mod 2^32), and 2316998 >> 16 = 35.
  EXPECT_EQ(Draws(0xFFFFFFFFu, 1), std::vector<int>{35});
  for (int draw : Draws(123456789u, 2000)) {
    ASSERT_GE(draw, 0);
    ASSERT_LE(draw, 32767);
  }
}

struct ShuffleCase {
  std::uint32_t Seed;
  const char* Before;  // Keyword1..16, '.' empty
  const char* After;
};

class ShuffleKeywordsTest : public ::testing::TestWithParam<ShuffleCase> {};

TEST_P(ShuffleKeywordsTest, GivesTheOrderOfItsSeed) {
  KeywordRandom random(GetParam().Seed);
  EXPECT_EQ(Joined(ShuffleKeywords(Letters(GetParam().Before), random)), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ShuffleKeywordsTest,
                         ::testing::Values(ShuffleCase{1, "abcdefghijklmnop", "hifbnleogmkcpjad"},
                                           ShuffleCase{1, "abc.............", "bac............."},
                                           ShuffleCase{7, "................", "................"},
                                           ShuffleCase{7, "a...............", "a..............."},
                                           ShuffleCase{7, ".........q......", ".........q......"},
                                           // Keywords that don't start in the first box trade places
                                           // as if they did: the first n boxes give the same order.
                                           ShuffleCase{1, "abcde...........", "dbace..........."},
                                           ShuffleCase{1, "...........abcde", "...........dbace"},
                                           ShuffleCase{1, ".b.c.d.........e", ".b.e.c.........d"},
                                           ShuffleCase{7, "a.b.c...........", "a.c.b..........."}));

TEST(ShuffleKeywords, EmptyBoxesStayEmptyAndKeywordsPastAGapMove) {
  // Keyword1 empty, Keyword2..4 filled: the three keywords move among
  // themselves and the empty first box stays empty.
  bool lastBoxMoved = false;
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    KeywordRandom random(seed);
    const KeywordList after = ShuffleKeywords(Letters(".bcd"), random);
    std::string joined = Joined(after);
    ASSERT_EQ(joined[0], '.') << seed;
    ASSERT_EQ(joined.substr(4), std::string(12, '.')) << seed;
    std::string moved = joined.substr(1, 3);
    std::sort(moved.begin(), moved.end());
    ASSERT_EQ(moved, "bcd") << seed;
    if (after[3] != "d") lastBoxMoved = true;
  }
  EXPECT_TRUE(lastBoxMoved);
}

TEST(ShuffleKeywords, ABlankValueCountsAsAKeyword) {
  KeywordList list;
  list[0] = " ";
  list[1] = "x";
  bool moved = false;
  for (std::uint32_t seed = 0; seed < 50 && !moved; ++seed) {
    KeywordRandom random(seed);
    moved = ShuffleKeywords(list, random)[0] == "x";
  }
  EXPECT_TRUE(moved);
}

TEST(ShuffleKeywords, SameSeedSameOrderAndNothingLost) {
  const KeywordList before = Letters("abcdefghij");
  KeywordRandom first(99), second(99);
  const KeywordList a = ShuffleKeywords(before, first);
  EXPECT_EQ(a, ShuffleKeywords(before, second));
  std::string letters = Joined(a);
  std::sort(letters.begin(), letters.end());
  EXPECT_EQ(letters, "......abcdefghij");
}

struct CapitaliseCase {
  const char* Text;
  bool Extra;  // the ExtraKeywords field: a comma also starts a word
  const char* Expected;
};

class CapitaliseWordsTest : public ::testing::TestWithParam<CapitaliseCase> {};

TEST_P(CapitaliseWordsTest, CapitalisesTheFirstLetterOfEachWord) {
  const auto& c = GetParam();
  EXPECT_EQ(CapitaliseWords(c.Text, c.Extra ? kExtraKeywordSeparators : kKeywordSeparators), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CapitaliseWordsTest,
    ::testing::Values(CapitaliseCase{"search ENGINE", false, "Search Engine"}, CapitaliseCase{"x-ray", false, "X-ray"},
                      CapitaliseCase{"o'neil", false, "O'neil"}, CapitaliseCase{"  web", false, "  Web"},
                      CapitaliseCase{"red,green", false, "Red,green"},
                      CapitaliseCase{"red,green, blue", true, "Red,Green, Blue"}, CapitaliseCase{"a, b", true, "A, B"},
                      CapitaliseCase{"a\tb", true, "A\tb"}, CapitaliseCase{"WEB  DESIGN", false, "Web  Design"},
                      CapitaliseCase{"\xE9t\xC9 ete", false, "\xE9t\xC9 Ete"},
                      CapitaliseCase{"2001 odyssey", false, "2001 Odyssey"}, CapitaliseCase{"", true, ""}));

MetaTagForm FilledForm() {
  MetaTagForm form;
  form.Title = "title Text";
  form.Description = "some Description";
  form.Author = "ann Author";
  form.Keyword(1) = "web design 2001";
  form.Keyword(2) = "HTML";
  form.Keyword(5) = "caf\xE9 search ENGINE";
  form.Keyword(16) = "last one";
  form.ExtraKeywords = "red,green, blue";
  return form;
}

// The fields no keyword tool may touch stay as they were.
void ExpectOnlyKeywordsChanged(const MetaTagForm& before, MetaTagForm after) {
  after.Keywords = before.Keywords;
  after.ExtraKeywords = before.ExtraKeywords;
  EXPECT_EQ(after, before);
}

TEST(KeywordTools, UppercaseAndLowercaseMapTheKeywordsAndExtraKeywordsOnly) {
  const MetaTagForm before = FilledForm();
  MetaTagForm upper = before;
  UppercaseKeywords(upper);
  EXPECT_EQ(upper.Keyword(1), "WEB DESIGN 2001");
  EXPECT_EQ(upper.Keyword(5), "CAF\xE9 SEARCH ENGINE");
  EXPECT_EQ(upper.Keyword(16), "LAST ONE");
  EXPECT_EQ(upper.ExtraKeywords, "RED,GREEN, BLUE");
  ExpectOnlyKeywordsChanged(before, upper);

  MetaTagForm lower = before;
  LowercaseKeywords(lower);
  EXPECT_EQ(lower.Keyword(2), "html");
  EXPECT_EQ(lower.Keyword(5), "caf\xE9 search engine");
  EXPECT_EQ(lower.ExtraKeywords, "red,green, blue");
  ExpectOnlyKeywordsChanged(before, lower);
}

TEST(KeywordTools, CapitaliseTreatsACommaAsASeparatorInExtraKeywordsOnly) {
  MetaTagForm form = FilledForm();
  form.Keyword(3) = "red,green, blue";
  const MetaTagForm before = form;
  CapitaliseKeywords(form);
  EXPECT_EQ(form.Keyword(3), "Red,green, Blue");
  EXPECT_EQ(form.ExtraKeywords, "Red,Green, Blue");
  EXPECT_EQ(form.Keyword(5), "Caf\xE9 Search Engine");
  ExpectOnlyKeywordsChanged(before, form);
}

TEST(KeywordTools, ReverseSwapsTheSixteenAndTwiceRestores) {
  const MetaTagForm before = FilledForm();
  MetaTagForm form = before;
  ReverseKeywords(form);
  EXPECT_EQ(form.Keyword(16), "web design 2001");
  EXPECT_EQ(form.Keyword(15), "HTML");
  EXPECT_EQ(form.Keyword(12), before.Keyword(5));
  EXPECT_EQ(form.Keyword(1), "last one");
  EXPECT_EQ(form.ExtraKeywords, before.ExtraKeywords);
  ExpectOnlyKeywordsChanged(before, form);
  ReverseKeywords(form);
  EXPECT_EQ(form, before);

  MetaTagForm single;
  single.Keyword(1) = "only";
  ReverseKeywords(single);
  EXPECT_EQ(single.Keyword(1), "");
  EXPECT_EQ(single.Keyword(16), "only");
}

TEST(KeywordTools, ShuffleOnTheFormLeavesExtraKeywordsAlone) {
  MetaTagForm form = FilledForm();
  const MetaTagForm before = form;
  KeywordRandom random(1);
  ShuffleKeywords(form, random);
  EXPECT_NE(form.Keywords, before.Keywords);
  ExpectOnlyKeywordsChanged(before, form);
}

TEST(KeywordTools, ClearKeywordsEmptiesTheKeywordsAndNothingElse) {
  MetaTagForm form = FilledForm();
  form.Distribution = kDistributionLocal;
  const MetaTagForm before = form;
  ClearKeywords(form);
  for (const auto& k : form.Keywords) EXPECT_EQ(k, "");
  EXPECT_EQ(form.ExtraKeywords, "");
  ExpectOnlyKeywordsChanged(before, form);
}

TEST(KeywordTools, ClearAllResetsEveryFieldAndChoosesGlobal) {
  MetaTagForm form = FilledForm();
  form.Copyright = "mine";
  form.Expires = "never";
  form.RedirectUrl = "http://127.0.0.1/";
  form.Revisit = form.NoCache = form.NoIndex = form.NoImageIndex = form.IndexAll = 1;
  form.Distribution = kDistributionLocal;
  ClearAll(form);

  MetaTagForm expected;
  expected.Title = expected.Description = expected.Author = "";
  expected.Copyright = "Copyright \xA9 2000";
  expected.Distribution = 0;
  EXPECT_EQ(form, expected);
  EXPECT_EQ(form.Copyright.size(), 16u);
  EXPECT_EQ(form.Revisit + form.NoCache + form.NoIndex + form.NoImageIndex + form.IndexAll, 0);
}

}  // namespace
}  // namespace verdo
