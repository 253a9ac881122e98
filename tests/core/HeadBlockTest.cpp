#include <gtest/gtest.h>

#include "GardenForm.h"
#include "TestData.h"
#include "core/compose/CharacterTotals.h"
#include "core/compose/HeadBlock.h"

namespace verdo {
namespace {

using testing::GardenForm;

MetaTagForm EmptyForm() {
  MetaTagForm form;
  form.Copyright.clear();
  return form;
}

TEST(HeadBlock, WorkedExampleInBothStyles) {
  const std::string plain = testing::TestData("garden_head.txt");
  EXPECT_EQ(ComposeHeadBlock(GardenForm(), HeadBlockStyle::Plain), plain);
  // The trap page's style: an empty line before the title and one after it.
  const std::string title = "<TITLE>Garden Tools</TITLE>\n";
  ASSERT_EQ(plain.substr(0, title.size()), title);
  EXPECT_EQ(ComposeHeadBlock(GardenForm(), HeadBlockStyle::TrapPage), "\n" + title + "\n" + plain.substr(title.size()));
}

TEST(HeadBlock, EmptyFormHasOnlyTheAlwaysLines) {
  const std::string meta =
      "<META NAME=\"description\" CONTENT=\"\">\n"
      "<META NAME=\"keywords\" CONTENT=\"\">\n"
      "<META NAME=\"distribution\" CONTENT=\"Global\">";
  EXPECT_EQ(ComposeHeadBlock(EmptyForm(), HeadBlockStyle::Plain), "<TITLE></TITLE>\n" + meta);
  EXPECT_EQ(ComposeHeadBlock(EmptyForm(), HeadBlockStyle::TrapPage), "\n<TITLE></TITLE>\n\n" + meta);
}

TEST(HeadBlock, InitialFormAddsTheCopyrightLineBeforeDistribution) {
  EXPECT_EQ(ComposeHeadBlock(MetaTagForm{}, HeadBlockStyle::Plain),
            "<TITLE></TITLE>\n"
            "<META NAME=\"description\" CONTENT=\"\">\n"
            "<META NAME=\"keywords\" CONTENT=\"\">\n"
            "<META NAME=\"copyright\" CONTENT=\"Copyright \xA9 2000\">\n"
            "<META NAME=\"distribution\" CONTENT=\"Global\">");
}

TEST(HeadBlock, FieldsAreCopiedRawAndRevisitNeedsNoRobotsBox) {
  MetaTagForm form = EmptyForm();
  form.Description = "say \"hi\" & <b>";
  form.Revisit = 1;
  form.Distribution = kDistributionGlobal;
  const std::string block = ComposeHeadBlock(form, HeadBlockStyle::Plain);
  EXPECT_NE(block.find("CONTENT=\"say \"hi\" & <b>\">"), std::string::npos);
  EXPECT_EQ(block.find("robots"), std::string::npos);
  EXPECT_NE(block.find("\n<META NAME=\"revisit-after\" CONTENT=\"31 days\">"), std::string::npos);
}

struct KeywordsCase {
  std::vector<std::pair<int, std::string>> Keywords;
  std::string Extra;
  std::string Expected;
};

class KeywordsContent : public ::testing::TestWithParam<KeywordsCase> {};

TEST_P(KeywordsContent, JoinsNonEmptyFields) {
  MetaTagForm form;
  for (const auto& [n, value] : GetParam().Keywords) form.Keyword(n) = value;
  form.ExtraKeywords = GetParam().Extra;
  EXPECT_EQ(ComposeKeywordsContent(form), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeywordsContent,
                         ::testing::Values(KeywordsCase{{}, "", ""},
                                           KeywordsCase{{{1, "a"}, {3, "c"}}, "x, y", "a, c, x, y"},
                                           KeywordsCase{{{2, "b"}}, "", ", b"},
                                           KeywordsCase{{{1, "a"}, {2, " "}}, "", "a,  "},
                                           KeywordsCase{{{16, "p"}}, "", ", p"}, KeywordsCase{{}, "only", ", only"}));

TEST(HeadBlock, RobotsTokensKeepTheirFixedOrder) {
  MetaTagForm form;
  EXPECT_EQ(ComposeRobotsContent(form), "");
  form.NoCache = 1;
  EXPECT_EQ(ComposeRobotsContent(form), "nocache");
  form.NoIndex = 1;
  EXPECT_EQ(ComposeRobotsContent(form), "noindex, nocache");
  form.IndexAll = form.NoImageIndex = 1;
  EXPECT_EQ(ComposeRobotsContent(form), "indexall, noindex, noimageindex, nocache");
}

TEST(HeadBlock, CreditCommentsEndWithANewline) {
  const std::string credits = CreditComments();
  EXPECT_EQ(
      credits.rfind("\n<!-- Meta Tags Generated with Verdo - Meta Tag Generator.  -->\n<!-- More Information:  ", 0),
      0u);
  EXPECT_EQ(credits.substr(credits.size() - 6), "  -->\n");
}

TEST(CharacterTotals, CountsBytesWithoutSeparators) {
  MetaTagForm form;
  EXPECT_EQ(FormatCharacterTotals(ComputeCharacterTotals(form)),
            "Title: 0\nDescription: 0\nKeywords: 0\nAuthor: 0\nCopyright: 16");
  form.Keyword(1) = "abc";
  form.Keyword(2) = "de";
  form.Keyword(9) = "   ";
  form.ExtraKeywords = "x, y";
  form.Expires = "ignored";
  EXPECT_EQ(ComputeCharacterTotals(form).Keywords, 12u);
}

}  // namespace
}  // namespace verdo
