#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pages/PageImport.h"
#include "core/text/LineSplitter.h"

namespace verdo {
namespace {

struct Line {
  std::string Bytes;
  bool Whole;
  bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
  return out << ::testing::PrintToString(line.Bytes) << (line.Whole ? "" : " (cut)");
}

// Feeds `bytes` in pieces of `piece` bytes and collects the lines, stopping
// after `stopAfter` lines.
std::vector<Line> Split(std::string_view bytes, std::size_t kept, std::size_t piece, std::size_t stopAfter = 1000) {
  LineSplitter splitter(kept);
  std::vector<Line> lines;
  const auto onLine = [&](std::string_view line, bool whole) {
    lines.push_back({std::string(line), whole});
    return lines.size() < stopAfter;
  };
  for (std::size_t at = 0; at < bytes.size(); at += piece)
    if (!splitter.Feed(bytes.substr(at, piece), onLine)) break;
  return lines;
}

struct SplitCase {
  const char* Name;
  std::string Bytes;
  std::size_t Kept;
  std::vector<Line> Expected;
};

class LineSplitterCases : public ::testing::TestWithParam<SplitCase> {};

// Every piece size gives the same lines: a line cut across pieces, a CR at
// a piece's end, a cut line whose LF comes pieces later.
TEST_P(LineSplitterCases, SameLinesWhateverThePieces) {
  const SplitCase& c = GetParam();
  for (std::size_t piece = 1; piece <= c.Bytes.size() + 1; ++piece)
    EXPECT_EQ(Split(c.Bytes, c.Kept, piece), c.Expected) << "pieces of " << piece;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineSplitterCases,
    ::testing::Values(
        SplitCase{"Nothing", "", 8, {}}, SplitCase{"NoLfIsNoLine", "abc", 8, {}},
        SplitCase{"BytesAfterTheLastLfAreNoLine", "a\nb\r\nrest", 8, {{"a\n", true}, {"b\r\n", true}}},
        SplitCase{"EmptyLines", "\n\n", 8, {{"\n", true}, {"\n", true}}},
        SplitCase{"LineOfExactlyKeptBytes", "1234567\nx\n", 8, {{"1234567\n", true}, {"x\n", true}}},
        SplitCase{"LongerLineIsCut", "12345678\nx\n", 8, {{"12345678", false}, {"x\n", true}}},
        SplitCase{"MuchLongerLine", std::string(50, 'a') + "\n</HEAD>\n", 4, {{"aaaa", false}, {"</HE", false}}},
        SplitCase{"NulAndHighBytes", std::string("\0\xff\n", 3), 8, {{std::string("\0\xff\n", 3), true}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(LineSplitter, StopsWhenTheLineSaysSo) {
  const std::string bytes = "a\nb\nc\n";
  for (std::size_t piece = 1; piece <= bytes.size(); ++piece)
    EXPECT_EQ(Split(bytes, 8, piece, 2), (std::vector<Line>{{"a\n", true}, {"b\n", true}})) << piece;
}

// A hostile page of one endless line: what is held stays at the kept bytes.
TEST(LineSplitter, HoldsNoMoreThanItKeeps) {
  LineSplitter splitter(16);
  std::vector<Line> lines;
  const auto onLine = [&](std::string_view line, bool whole) {
    lines.push_back({std::string(line), whole});
    return true;
  };
  const std::string piece(4096, 'x');
  for (int n = 0; n < 256; ++n) ASSERT_TRUE(splitter.Feed(piece, onLine));
  ASSERT_TRUE(splitter.Feed("yy\nz\n", onLine));
  EXPECT_EQ(lines, (std::vector<Line>{{std::string(16, 'x'), false}, {"z\n", true}}));
}

TEST(EndsHeadSection, OnlyTheTwoCasingsAfterWhiteSpace) {
  EXPECT_TRUE(EndsHeadSection("</HEAD>\n"));
  EXPECT_TRUE(EndsHeadSection(" \t</head><body>"));
  EXPECT_FALSE(EndsHeadSection("</Head>\n"));
  EXPECT_FALSE(EndsHeadSection("x</HEAD>\n"));
  EXPECT_FALSE(EndsHeadSection("</HEA"));
}

}  // namespace
}  // namespace verdo
