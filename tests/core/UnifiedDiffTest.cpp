#include "core/text/UnifiedDiff.h"

#include <gtest/gtest.h>

#include <string>

namespace verdo {
namespace {

std::string Diff(std::string_view from, std::string_view to, std::string label = "p") {
  return MakeUnifiedDiff({"a/" + label, from}, {"b/" + label, to});
}

std::string Numbered(int from, int to, const char* end = "\n") {
  std::string text;
  for (int i = from; i <= to; ++i) text += std::to_string(i) + end;
  return text;
}

TEST(UnifiedDiff, HunksAsDiffWritesThem) {
  struct Case {
    const char* Name;
    std::string From, To, Expected;
  } cases[] = {
      {"same", "a\nb\n", "a\nb\n", ""},
      {"one line in the middle, three of context", Numbered(1, 9), Numbered(1, 4) + "x\n" + Numbered(6, 9),
       "--- a/p\n+++ b/p\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+x\n 6\n 7\n 8\n"},
      {"changes six lines apart share a hunk", Numbered(1, 8), "x\n" + Numbered(2, 7) + "y\n",
       "--- a/p\n+++ b/p\n@@ -1,8 +1,8 @@\n-1\n+x\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+y\n"},
      {"seven apart are two", Numbered(1, 9), "x\n" + Numbered(2, 8) + "y\n",
       "--- a/p\n+++ b/p\n@@ -1,4 +1,4 @@\n-1\n+x\n 2\n 3\n 4\n@@ -6,4 +6,4 @@\n 6\n 7\n 8\n-9\n+y\n"},
      {"a line added at the start", "a\n", "n\na\n", "--- a/p\n+++ b/p\n@@ -1 +1,2 @@\n+n\n a\n"},
      {"CR LF kept as it is", "a\r\nb\r\n", "a\r\nc\r\n", "--- a/p\n+++ b/p\n@@ -1,2 +1,2 @@\n a\r\n-b\r\n+c\r\n"},
      {"a last line without LF", "a\nb", "a\nb\n",
       "--- a/p\n+++ b/p\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
      {"bytes as they are, for patch", "a\n", "\x1b[2J\tx\r\xff\n",
       "--- a/p\n+++ b/p\n@@ -1 +1 @@\n-a\n+\x1b[2J\tx\r\xff\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Diff(c.From, c.To), c.Expected) << c.Name;
}

TEST(UnifiedDiff, LabelsThatPatchWouldCutAreQuoted) {
  EXPECT_EQ(MakeUnifiedDiff({"/dev/null", ""}, {"b/my page.htm", "x\n"}),
            "--- /dev/null\n+++ \"b/my page.htm\"\n@@ -0,0 +1 @@\n+x\n");
  EXPECT_EQ(Diff("a\n", "b\n", "q\"\x1b\xc3\xa9.htm").substr(0, 22), "--- \"a/q\\\"\\033\xc3\xa9.htm\"\n");
}

TEST(UnifiedDiff, FewestEditsAndABoundOnTheWork) {
  // Myers' example: ABCABBA to CBABAC takes five lines removed or added.
  const std::string diff = Diff("A\nB\nC\nA\nB\nB\nA\n", "C\nB\nA\nB\nA\nC\n");
  std::size_t edits = 0;
  for (std::size_t at = diff.find("\n@@"); at != std::string::npos; at = diff.find('\n', at + 1))
    if (at + 1 < diff.size() && (diff[at + 1] == '-' || diff[at + 1] == '+')) ++edits;
  EXPECT_EQ(edits, 5U);
  // More edits than the bound: the part between what both share is removed
  // and added whole, in one hunk, still right.
  const std::string from = "same\n" + Numbered(1, 3000, "a\n") + "same\n";
  const std::string to = "same\n" + Numbered(1, 3000, "b\n") + "same\n";
  const std::string big = Diff(from, to);
  EXPECT_EQ(big.find("@@ -1,3002 +1,3002 @@\n same\n-1a\n-2a\n"), 16U);
  EXPECT_NE(big.find("-3000a\n+1b\n"), std::string::npos);
}

}  // namespace
}  // namespace verdo
