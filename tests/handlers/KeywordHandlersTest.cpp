#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

#include "core/keywords/KeywordTools.h"
#include "handlers/Handlers.h"
#include "handlers/ScriptedHost.h"

namespace verdo {
namespace {

using testing::ScriptedHost;
using Log = std::vector<std::string>;

struct ButtonCase {
  const char* Name;
  void (*Press)(Host&);
  bool ReadsFirst;
  const char* TitleShown;  // typed "typed title", read earlier "read title"
};

void PrintTo(const ButtonCase& c, std::ostream* os) { *os << c.Name; }

class KeywordButtons : public ::testing::TestWithParam<ButtonCase> {};

// A record read earlier, and controls typed into since: the readers work on
// the typed text; Clear All on the record, and then overwrites the typing.
TEST_P(KeywordButtons, ReadsTheControlsOrNotAndEndsWithShowForm) {
  ScriptedHost host;
  host.Record.Title = "read title";
  host.Record.Keyword(1) = "read keyword";
  host.Status = "Done.";
  host.Controls = host.Record;
  host.Controls.Title = "typed title";
  host.Controls.Keyword(1) = "typed keyword";
  host.ControlStatus = "Done.";

  GetParam().Press(host);

  EXPECT_EQ(host.Log, GetParam().ReadsFirst ? (Log{"ReadForm", "ShowForm [Done.]"}) : (Log{"ShowForm [Done.]"}));
  EXPECT_EQ(host.Controls, host.Record);
  EXPECT_EQ(host.Controls.Title, GetParam().TitleShown);
}

INSTANTIATE_TEST_SUITE_P(All, KeywordButtons,
                         ::testing::Values(ButtonCase{"Uppercase", handlers::OnUppercase, true, "typed title"},
                                           ButtonCase{"Lowercase", handlers::OnLowercase, true, "typed title"},
                                           ButtonCase{"FirstCapitol", handlers::OnFirstCapitol, true, "typed title"},
                                           ButtonCase{"Reverse", handlers::OnReverse, true, "typed title"},
                                           ButtonCase{"Randomize", handlers::OnRandomize, true, "typed title"},
                                           ButtonCase{"ClearAll", handlers::OnClearAll, false, ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(KeywordHandlers, CaseButtonsChangeTheTypedKeywords) {
  ScriptedHost host;
  host.Controls.Keyword(1) = "search ENGINE";
  host.Controls.ExtraKeywords = "red,green, blue";
  host.Controls.Title = "my page";

  handlers::OnFirstCapitol(host);
  EXPECT_EQ(host.Controls.Keyword(1), "Search Engine");
  EXPECT_EQ(host.Controls.ExtraKeywords, "Red,Green, Blue");
  handlers::OnUppercase(host);
  EXPECT_EQ(host.Controls.Keyword(1), "SEARCH ENGINE");
  handlers::OnLowercase(host);
  EXPECT_EQ(host.Controls.ExtraKeywords, "red,green, blue");
  EXPECT_EQ(host.Controls.Title, "my page");
}

TEST(KeywordHandlers, ReverseMovesTheOnlyKeywordToTheLastBox) {
  ScriptedHost host;
  host.Controls.Keyword(1) = "only";
  handlers::OnReverse(host);
  EXPECT_EQ(host.Controls.Keyword(1), "");
  EXPECT_EQ(host.Controls.Keyword(16), "only");
}

TEST(KeywordHandlers, RandomizeSeedsWithTheTimeInWholeSeconds) {
  ScriptedHost host;
  for (int n = 1; n <= 16; ++n) host.Controls.Keyword(n) = std::string(1, static_cast<char>('a' + n - 1));
  const KeywordList before = host.Controls.Keywords;

  const auto start = static_cast<std::uint32_t>(std::time(nullptr));
  handlers::OnRandomize(host);
  const auto end = static_cast<std::uint32_t>(std::time(nullptr));

  // The press fell within [start, end]: its order is that of one of those seeds.
  bool matched = false;
  for (std::uint32_t seed = start; seed != end + 1 && !matched; ++seed) {
    KeywordRandom random(seed);
    matched = ShuffleKeywords(before, random) == host.Controls.Keywords;
  }
  EXPECT_TRUE(matched);
}

TEST(KeywordHandlers, ClearKeywordsKeepsWhatWasTypedElsewhere) {
  ScriptedHost host;
  host.Record.Title = "old title";
  host.Record.Keyword(3) = "old keyword";
  host.Status = "Done.";
  host.Controls = host.Record;
  host.Controls.Title = "new title";  // typed, no button pressed since
  host.Controls.Keyword(16) = "typed keyword";
  host.Controls.ExtraKeywords = "x, y";
  host.Controls.Distribution = kDistributionLocal;
  host.ControlStatus = "Typed";
  MetaTagForm expected = host.Controls;
  expected.Keywords = {};
  expected.ExtraKeywords = "";

  handlers::OnClearKeywords(host);

  EXPECT_EQ(host.Log, Log{"ShowKeywords"});
  EXPECT_EQ(host.Controls, expected);
  EXPECT_EQ(host.Controls.Title, "new title");
  EXPECT_EQ(host.ControlStatus, "Typed");
}

}  // namespace
}  // namespace verdo
