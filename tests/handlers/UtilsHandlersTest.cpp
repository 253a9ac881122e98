#include <gtest/gtest.h>

#include "handlers/Handlers.h"
#include "handlers/ScriptedHost.h"

namespace verdo {
namespace {

using testing::ScriptedHost;
using Log = std::vector<std::string>;

TEST(UtilsHandlers, PreviewReadsTheControlsAndCaptionsTheBoxWithTheTitle) {
  ScriptedHost host;
  host.Controls.Title = "Garden";
  host.Controls.Copyright.clear();
  handlers::OnPreview(host);
  EXPECT_EQ(host.Log, (Log{"ReadForm",
                           "ShowMessage [Garden] <TITLE>Garden</TITLE>\n"
                           "<META NAME=\"description\" CONTENT=\"\">\n"
                           "<META NAME=\"keywords\" CONTENT=\"\">\n"
                           "<META NAME=\"distribution\" CONTENT=\"Global\">"}));
}

TEST(UtilsHandlers, TotalsCountsBytesAndChangesNoControl) {
  ScriptedHost host;
  host.Controls.Keyword(1) = "abc";
  host.Controls.Keyword(2) = "de";
  const MetaTagForm before = host.Controls;
  handlers::OnTotals(host);
  EXPECT_EQ(host.Log, (Log{"ReadForm",
                           "ShowMessage [Character Totals] Title: 0\nDescription: 0\nKeywords: 5\n"
                           "Author: 0\nCopyright: 16"}));
  EXPECT_EQ(host.Controls, before);
}

TEST(UtilsHandlers, ClearAllChoosesGlobalAndKeepsTheStatusText) {
  ScriptedHost host;
  host.Record.Title = "old title";
  host.Record.Distribution = kDistributionLocal;
  host.Record.NoCache = 1;
  host.Status = "Done";
  host.Controls.Title = "typed";
  host.Controls.Distribution = kDistributionNone;

  handlers::OnClearAll(host);

  EXPECT_EQ(host.Log, Log{"ShowForm [Done]"});
  EXPECT_EQ(host.Controls.Distribution, kDistributionGlobal);
  EXPECT_EQ(host.Controls.Title, "");
  EXPECT_EQ(host.Controls.NoCache, 0);
  EXPECT_EQ(host.Controls.Copyright, "Copyright \xA9 2000");
  EXPECT_EQ(host.ControlStatus, "Done");
}

}  // namespace
}  // namespace verdo
