#include <gtest/gtest.h>

#include "GardenForm.h"
#include "TestData.h"
#include "core/templates/Template.h"
#include "core/text/Text.h"

namespace verdo {
namespace {

const char* const kEmptyTemplate =
    "OWNER=Verdo 1.0\nTITLE=\nDESCRIPTION=\nKW1=\nKW2=\nKW3=\nKW4=\nKW5=\nKW6=\nKW7=\nKW8=\nKW9=\n"
    "KW10=\nKW11=\nKW12=\nKW13=\nKW14=\nKW15=\nKW16=\nKWX=\nAUTHOR=\nCOPYRIGHT=\nEXPIRES=\n"
    "REDIRECT=\nDISTRIBUTION=Local\nREVISIT=no\nNOCACHE=no\nNOINDEX=no\nINDEXALL=no\nNOIMGINDEX=no\n";

TEST(Template, EmptyAndInitialFormsHaveTheirExactSizes) {
  MetaTagForm empty;
  empty.Copyright.clear();
  EXPECT_EQ(FormatTemplate(empty), kEmptyTemplate);
  EXPECT_EQ(LfToCrLf(FormatTemplate(empty)).size(), 274u);
  const std::string initial = LfToCrLf(FormatTemplate(MetaTagForm{}));
  EXPECT_EQ(initial.size(), 290u);
  EXPECT_NE(initial.find("\r\nCOPYRIGHT=Copyright \xA9 2000\r\n"), std::string::npos);
}

// The garden shop's file is what Save writes for the form it loads.
TEST(Template, GardenFileIsWhatSaveWritesForItsForm) {
  EXPECT_EQ(LfToCrLf(FormatTemplate(testing::GardenForm())), testing::TestData("garden.tem"));
}

TEST(Template, GlobalAndFlagsAreWritten) {
  MetaTagForm form;
  form.Distribution = kDistributionGlobal;
  form.Revisit = form.NoImageIndex = 1;
  const std::string text = FormatTemplate(form);
  EXPECT_NE(text.find("\nDISTRIBUTION=Global\nREVISIT=yes\nNOCACHE=no\nNOINDEX=no\nINDEXALL=no\nNOIMGINDEX=yes\n"),
            std::string::npos);
}

TEST(Template, SaveAndLoadGiveTheSameFormButForNoDistribution) {
  MetaTagForm form;
  form.Title = " Leading blank";
  form.Description = "a=b=c";  // everything after the first "=" is the value
  for (int n = 1; n <= 16; ++n) form.Keyword(n) = "kw" + std::to_string(n);
  form.ExtraKeywords = "x, y";
  form.Author = "\xE9t\xE9";
  form.Expires = "never";
  form.RedirectUrl = "http://h/p?q=1";
  form.NoCache = form.IndexAll = 1;
  MetaTagForm loaded;
  loaded.Copyright = "stale";
  ApplyTemplateText(FormatTemplate(form), loaded);
  MetaTagForm expected = form;
  expected.Distribution = kDistributionLocal;
  EXPECT_EQ(loaded, expected);
}

struct LineCase {
  std::string Line;
  std::string Title;  // Title after applying the line to a form whose Title is "old"
  int Revisit;        // Revisit after applying it to a form whose Revisit is 0
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.Line); }

class TemplateLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(TemplateLine, AppliesOnlyWhatItNames) {
  MetaTagForm form;
  form.Title = "old";
  ApplyTemplateLine(GetParam().Line, form);
  EXPECT_EQ(form.Title, GetParam().Title);
  EXPECT_EQ(form.Revisit, GetParam().Revisit);
}

INSTANTIATE_TEST_SUITE_P(Cases, TemplateLine,
                         ::testing::Values(LineCase{"TITLE=x\r\n", "x", 0}, LineCase{"TITLE=x   \t\n", "x", 0},
                                           LineCase{"TITLE=  x\n", "  x", 0}, LineCase{"TITLE =x\n", "old", 0},
                                           LineCase{"TITLE\n", "", 0}, LineCase{"title=x\n", "old", 0},
                                           LineCase{"TITLE=a=b\n", "a=b", 0}, LineCase{"REVISIT=yes\n", "old", 1},
                                           LineCase{"REVISIT=yes  \r\n", "old", 1}, LineCase{"REVISIT=Yes\n", "old", 0},
                                           LineCase{" REVISIT=yes\n", "old", 0},
                                           LineCase{"OWNER=Verdo 1.0\n", "old", 0}));

TEST(Template, KeysAreWholeWordsAndLastLineWithoutLfIsDropped) {
  MetaTagForm form;
  ApplyTemplateText("KW1=one\nKW10=ten\nKW3=alpha\nTITLE=x", form);
  EXPECT_EQ(form.Keyword(1), "one");
  EXPECT_EQ(form.Keyword(10), "ten");
  EXPECT_EQ(form.Keyword(3), "alpha");
  EXPECT_EQ(form.Title, "");
  ApplyTemplateText("DISTRIBUTION=Global\n", form);
  EXPECT_EQ(form.Distribution, kDistributionGlobal);
}

struct SwitchCase {
  std::string Line;
  int MetaTagForm::*Field;
  int Value;  // after applying the line to a form where every switch is set
};

void PrintTo(const SwitchCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.Line); }

class TemplateSwitchLine : public ::testing::TestWithParam<SwitchCase> {};

// Each yes/no key reaches its own flag and no other; Distribution takes only
// its two words, in that case.
TEST_P(TemplateSwitchLine, ChangesItsOwnFieldOnly) {
  MetaTagForm form;
  form.Revisit = form.NoCache = form.NoIndex = form.IndexAll = form.NoImageIndex = 1;
  form.Distribution = kDistributionGlobal;
  MetaTagForm expected = form;
  expected.*GetParam().Field = GetParam().Value;
  ApplyTemplateLine(GetParam().Line, form);
  EXPECT_EQ(form, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemplateSwitchLine,
    ::testing::Values(SwitchCase{"REVISIT=no\n", &MetaTagForm::Revisit, 0},
                      SwitchCase{"NOCACHE=no\n", &MetaTagForm::NoCache, 0},
                      SwitchCase{"NOINDEX=no\n", &MetaTagForm::NoIndex, 0},
                      SwitchCase{"INDEXALL=no\n", &MetaTagForm::IndexAll, 0},
                      SwitchCase{"NOIMGINDEX=no\n", &MetaTagForm::NoImageIndex, 0},
                      SwitchCase{"NOIMGINDEX=No\n", &MetaTagForm::NoImageIndex, 1},
                      SwitchCase{"DISTRIBUTION=Local\r\n", &MetaTagForm::Distribution, kDistributionLocal},
                      SwitchCase{"DISTRIBUTION=local\n", &MetaTagForm::Distribution, kDistributionGlobal},
                      SwitchCase{"DISTRIBUTION=\n", &MetaTagForm::Distribution, kDistributionGlobal}));

// Every field has its own line: a form whose fields all differ writes each
// value once, under its own key, and the flags in their fixed order.
TEST(Template, EveryFieldHasItsLineInItsPlace) {
  MetaTagForm form;
  form.Title = "t";
  form.Description = "d";
  for (int n = 1; n <= 16; ++n) form.Keyword(n) = "k" + std::to_string(n);
  form.ExtraKeywords = "x";
  form.Author = "a";
  form.Copyright = "c";
  form.Expires = "e";
  form.RedirectUrl = "r";
  form.NoCache = form.IndexAll = 1;
  form.Distribution = kDistributionGlobal;
  EXPECT_EQ(FormatTemplate(form),
            "OWNER=Verdo 1.0\nTITLE=t\nDESCRIPTION=d\nKW1=k1\nKW2=k2\nKW3=k3\nKW4=k4\nKW5=k5\nKW6=k6\n"
            "KW7=k7\nKW8=k8\nKW9=k9\nKW10=k10\nKW11=k11\nKW12=k12\nKW13=k13\nKW14=k14\nKW15=k15\n"
            "KW16=k16\nKWX=x\nAUTHOR=a\nCOPYRIGHT=c\nEXPIRES=e\nREDIRECT=r\nDISTRIBUTION=Global\n"
            "REVISIT=no\nNOCACHE=yes\nNOINDEX=no\nINDEXALL=yes\nNOIMGINDEX=no\n");
}

}  // namespace
}  // namespace verdo
