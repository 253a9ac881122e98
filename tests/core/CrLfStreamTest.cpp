#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/CrLfStream.h"
#include "core/text/Text.h"

namespace verdo {
namespace {

// Reading as text and writing back as text, in pieces of any size.
TEST(CrLfStream, MatchesReadingAndWritingAsTextForEveryCut) {
  const std::vector<std::string> inputs = {
      "a\r\nb\nc", "\r\n\r\n", "\n\n", "\r\r\n\n", "lone\rcr\r", "\r", "x\r\n\r", "\n\r\n",
  };
  for (const std::string& input : inputs) {
    const std::string expected = LfToCrLf(CrLfToLf(input));
    for (std::size_t piece = 1; piece <= input.size(); ++piece) {
      CrLfStream stream;
      std::string out;
      for (std::size_t at = 0; at < input.size(); at += piece)
        stream.Convert(std::string_view(input).substr(at, piece), out);
      EXPECT_EQ(out, expected) << "pieces of " << piece;
      // The same through the pass-through path, which hands back unchanged
      // pieces as they are.
      CrLfStream passing;
      std::string joined, scratch;
      for (std::size_t at = 0; at < input.size(); at += piece)
        joined += passing.Converted(std::string_view(input).substr(at, piece), scratch);
      EXPECT_EQ(joined, expected) << "pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace verdo
