#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/site/SiteAudit.h"
#include "core/text/Encoding.h"

namespace verdo {
namespace {

HeadElement Element(std::string tag, std::vector<std::pair<std::string, std::string>> attributes,
                    std::string text = "") {
  HeadElement element;
  element.Tag = std::move(tag);
  element.Attributes = std::move(attributes);
  element.Text = std::move(text);
  return element;
}

PageFacts Facts(std::optional<std::string> title, std::optional<std::string> description,
                std::optional<std::string> keywords = std::nullopt) {
  PageFacts facts;
  facts.Title = std::move(title);
  facts.Description = std::move(description);
  facts.Keywords = std::move(keywords);
  return facts;
}

std::vector<std::string> Codes(const PageAudit& page) {
  std::vector<std::string> codes;
  for (const auto code : Problems(page)) codes.emplace_back(code);
  return codes;
}

TEST(SiteAudit, FactsAreTheFirstTitleAndTheFirstDescriptionAndKeywordsMetas) {
  PageOutline outline;
  outline.Head = {Element("meta", {{"name", "Keywords"}, {"content", "a, b"}}),
                  Element("meta", {{"property", "description"}, {"content", "og"}}),
                  Element("title", {}, "First"),
                  Element("meta", {{"name", "description"}, {"content", "Tools"}}),
                  Element("title", {}, "Second"),
                  Element("meta", {{"name", "description"}, {"content", "Later"}}),
                  Element("meta", {{"name", "keywords"}})};
  const PageFacts facts = FactsFromOutline(outline);
  EXPECT_EQ(facts.Title, "First");
  EXPECT_EQ(facts.Description, "Tools");
  EXPECT_EQ(facts.Keywords, "a, b");
  EXPECT_FALSE(FactsFromOutline({}).Title);
  // A description meta without content is there, but empty.
  outline.Head = {Element("meta", {{"name", "description"}})};
  EXPECT_EQ(FactsFromOutline(outline).Description, "");
}

TEST(SiteAudit, TextsAreCollapsedAndCountedInCharactersNotBytes) {
  const PageAudit page = AuditPage("p.htm", Facts("\n  Caf\xC3\xA9  \t Rose \n", "\xE2\x80\x9CQuoted\xE2\x80\x9D"));
  EXPECT_EQ(page.Title, "Caf\xC3\xA9 Rose");
  EXPECT_EQ(page.TitleLength, 9u);
  EXPECT_EQ(page.DescriptionLength, 8u);
  EXPECT_EQ(CharacterCount("\xF0\x9F\x8C\xB1"), 1u);
}

TEST(SiteAudit, KeywordsAreSplitAtCommasTrimmedAndEmptyOnesLeftOut) {
  EXPECT_EQ(AuditPage("p", Facts("t", "d", " spade,  rake ,,hoe, ")).Keywords,
            (std::vector<std::string>{"spade", "rake", "hoe"}));
  EXPECT_TRUE(AuditPage("p", Facts("t", "d", "")).Keywords.empty());
  EXPECT_TRUE(AuditPage("p", Facts("t", "d")).Keywords.empty());
}

TEST(SiteAudit, EachProblemAndNoneWhereThereIsNone) {
  const std::string sixty(60, 't');
  const std::string oneSixty(160, 'd');
  std::string sixtyAccents;
  for (int i = 0; i < 60; ++i) sixtyAccents += "\xC3\xA9";
  struct Case {
    const char* Name;
    PageFacts Facts;
    std::vector<std::string> Codes;
  } cases[] = {
      {"Good", Facts(sixty, oneSixty), {}},
      {"NoTitle", Facts(std::nullopt, "d"), {"no-title", "description-too-short"}},
      {"EmptyTitle", Facts(" \n ", "d"), {"empty-title", "description-too-short"}},
      {"TitleTooLong", Facts(sixty + "t", "d"), {"title-too-long", "description-too-short"}},
      // 60 characters of two bytes each are not too long.
      {"LongInBytesOnly", Facts(sixtyAccents, oneSixty), {}},
      {"NoDescription", Facts(sixty, std::nullopt), {"no-description"}},
      {"EmptyDescription", Facts(sixty, ""), {"no-description"}},
      // No-break, em and ideographic spaces are white space too; a zero-width space is not.
      {"SpacesOnly", Facts("\xC2\xA0 \xE2\x80\x83", "\xE3\x80\x80"), {"empty-title", "no-description"}},
      {"ZeroWidth", Facts("\xE2\x80\x8B", oneSixty), {"title-too-short"}},
      {"DescriptionTooLong", Facts(sixty, oneSixty + "d"), {"description-too-long"}},
      {"Everything", Facts(std::nullopt, std::nullopt), {"no-title", "no-description"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Codes(AuditPage("p", c.Facts)), c.Codes) << c.Name;
  PageFacts broken = Facts(sixty, oneSixty);
  broken.HeadEndFound = false;
  broken.EncodingMismatch = true;
  EXPECT_EQ(Codes(AuditPage("p", broken)), (std::vector<std::string>{"no-head-end", "encoding-mismatch"}));
}

TEST(SiteAudit, DuplicatesAreTheSameTextOnAnotherPageEmptyOnesAside) {
  std::vector<PageAudit> pages = {
      AuditPage("a", Facts("Shop", "Tools")),  AuditPage("b", Facts(" Shop ", "Other")),
      AuditPage("c", Facts("shop", "Tools")),  AuditPage("d", Facts("", "")),
      AuditPage("e", Facts("", std::nullopt)),
  };
  MarkDuplicates(pages);
  const std::vector<std::string> tooShort = {"title-too-short", "description-too-short"};
  EXPECT_EQ(Codes(pages[0]),
            (std::vector<std::string>{"duplicate-title", "duplicate-description", tooShort[0], tooShort[1]}));
  EXPECT_EQ(Codes(pages[1]), (std::vector<std::string>{"duplicate-title", tooShort[0], tooShort[1]}));
  EXPECT_EQ(Codes(pages[2]), (std::vector<std::string>{"duplicate-description", tooShort[0], tooShort[1]}));
  EXPECT_EQ(Codes(pages[3]), (std::vector<std::string>{"empty-title", "no-description"}));
  EXPECT_EQ(Codes(pages[4]), (std::vector<std::string>{"empty-title", "no-description"}));
}

TEST(SiteAudit, EncodingContradictions) {
  const std::optional<std::string_view> none;
  struct Case {
    std::optional<std::string_view> Bom, Declared;
    bool Valid, NonAscii, Contradicted;
  } cases[] = {
      {none, none, false, true, false},         {none, kUtf8, true, true, false},
      {none, kUtf8, false, true, true},         {none, kWindows1252, false, true, false},
      {none, kWindows1252, true, false, false}, {none, kWindows1252, true, true, true},
      {kUtf8, kUtf8, true, true, false},        {kUtf8, kWindows1252, true, true, true},
      {kUtf16Le, kUtf8, false, true, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EncodingContradicted(c.Bom, c.Declared, c.Valid, c.NonAscii), c.Contradicted)
        << c.Bom.value_or("-") << " " << c.Declared.value_or("-") << " " << c.Valid << c.NonAscii;
}

TEST(SiteAudit, LineAndSummary) {
  std::vector<PageAudit> pages = {AuditPage("a.htm", Facts("Shop", "Tools", "a, b")),
                                  AuditPage("b.htm", Facts(std::nullopt, std::nullopt)),
                                  AuditPage("c.htm", Facts("Shop", "More"))};
  MarkDuplicates(pages);
  EXPECT_EQ(FormatAuditLine(pages[0]),
            "a.htm: title 4, description 5, keywords 2: duplicate-title, title-too-short, description-too-short\n");
  EXPECT_EQ(FormatAuditLine(pages[1]), "b.htm: title -, description -, keywords 0: no-title, no-description\n");
  EXPECT_EQ(FormatAuditSummary(pages),
            "3 pages, 3 with problems (no-title 1, no-description 1, duplicate-title 2, "
            "title-too-short 2, description-too-short 2)\n");
  const PageFacts good = Facts(std::string(30, 't'), std::string(70, 'd'));
  EXPECT_EQ(FormatAuditLine(AuditPage("ok.htm", good)), "ok.htm: title 30, description 70, keywords 0\n");
  EXPECT_EQ(FormatAuditSummary({AuditPage("ok.htm", good)}), "1 page, 0 with problems\n");
  EXPECT_EQ(FormatAuditSummary({}), "0 pages, 0 with problems\n");
}

TEST(SiteAudit, JsonEscapesAndNulls) {
  const std::vector<PageAudit> pages = {AuditPage("a\"\\\x01\xFF.htm", Facts("T\tx", std::nullopt, "k"))};
  EXPECT_EQ(FormatAuditJson(pages),
            "[\n{\"page\": \"a\\\"\\\\\\u0001\xEF\xBF\xBD.htm\", \"title\": \"T x\", \"title_length\": 3, "
            "\"title_width\": null, \"description\": null, \"description_length\": 0, \"description_width\": null, "
            "\"keywords\": [\"k\"], \"problems\": [\"no-description\", \"title-too-short\"]}\n]\n");
  EXPECT_EQ(FormatAuditJson({}), "[]\n");
  // DEL and C1 controls escaped too (still the same JSON text).
  EXPECT_NE(FormatAuditJson({AuditPage("p", Facts("\x7F\xC2\x9B\xC2\xA0", std::nullopt))})
                .find("\"title\": \"\\u007f\\u009b\xC2\xA0\""),
            std::string::npos);
}

}  // namespace
}  // namespace verdo
