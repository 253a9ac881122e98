// Unified diffs of two texts, line by line, as `diff -u` writes them and
// `patch` reads them, for showing what a run would change.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace verdo {

// One side of a diff: its label in the header ("a/site/index.htm", or
// "/dev/null" for a file that isn't there yet) and its text.
struct DiffSide {
  std::string_view Label;
  std::string_view Text;
};

// Takes the diff's text in pieces of some KiB, each of whole lines.
using DiffSink = std::function<void(std::string_view piece)>;

// Writes the lines that differ, with `context` lines around them, in hunks
// ("@@ -1,4 +1,5 @@") after "--- FROM" and "+++ TO"; nothing, and false,
// when the texts are the same. A line is what ends with LF (a last line
// without one is marked "\ No newline at end of file") and is written with
// its bytes as they are, a CR before the LF included, so that patch gives
// the text back exactly; escaping them for a terminal is the printer's
// work. A label with blanks, quotes or controls is quoted as patch reads it
// ("a/my page.htm" in double quotes).
//
// The edits are as few as Myers' algorithm finds in the part between the
// lines both texts start and end with, which are walked, never held. When
// that part holds more than kMaxDiffLines lines, or takes more than
// kMaxDiffEdits edits, it is shown removed and added whole: still right,
// only longer. So time and memory stay bounded, and the text is handed on
// as it is made.
inline constexpr std::size_t kMaxDiffLines = std::size_t{1} << 20;
inline constexpr std::size_t kMaxDiffEdits = 1000;
bool WriteUnifiedDiff(const DiffSide& from, const DiffSide& to, const DiffSink& sink, std::size_t context = 3);

// The same diff as one text.
std::string MakeUnifiedDiff(const DiffSide& from, const DiffSide& to, std::size_t context = 3);

}  // namespace verdo
