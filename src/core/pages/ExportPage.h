// Export writes the head block into an existing page: the page is cut after
// the line that closes its head section, and a new head section goes in
// front of what follows.
//
// The closing line is the first line that, with white space trimmed from both
// ends, begins with "</HEAD>" or "</head>" (no other casing). The head part
// ends with that line, unless the line holds more than white space after the
// tag (a "<body>", say): then it ends with the tag, and the rest of the line
// stays in the tail, so the body never goes with the old head. When no byte
// follows the head part (or there is no closing line) the whole old page is
// kept behind the new head section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/pages/PageCharset.h"

namespace verdo {

// Looks for the closing line in a page fed to it in pieces of any size, so a
// page of any length can be scanned without holding it. Trimming, CR LF or LF:
// the scanner gives the same answer on the raw bytes as on the text read with
// CR LF turned into LF, since that only changes white space at a line's end.
class HeadEndScanner {
 public:
  // Feeds the next bytes of the page. Once the closing line has been seen,
  // (its LF read) returns the offset within `bytes` where the tail begins
  // (which may equal bytes.size()), or 0 when it began in bytes fed before:
  // on the closing line, after the tag. Until then nothing. After that it
  // takes no more bytes.
  std::optional<std::size_t> Feed(std::string_view bytes);
  // Whether the closing line has been seen (for the checks of the scanner).
  bool SawClosingLine() const { return state_ == State::Done; }
  // Where the tail begins, counted from the first byte fed; once the closing
  // line has been seen.
  std::uint64_t TailStart() const { return tailStart_; }

 private:
  // EndsHeadSection decides on a line's start: this many bytes of it, from
  // its first byte that isn't white space, are more than it looks at.
  static constexpr std::size_t kStartKept = 16;

  static constexpr std::size_t kTagLength = 7;  // "</HEAD>"

  // Ends the scan with the tail beginning at `tailStart`.
  std::size_t Finish(std::uint64_t tailStart);

  enum class State { LeadingSpace, LineStart, RestOfLine, Done };
  State state_ = State::LeadingSpace;
  char start_[kStartKept] = {};  // the current line's start, from its first byte that isn't white space
  std::size_t started_ = 0;      // bytes of it held
  bool closing_ = false;         // the current line is the closing line
  bool afterTag_ = false;        // it holds more than white space after the tag
  std::uint64_t fed_ = 0;        // bytes fed before the current piece
  std::uint64_t tagEnd_ = 0;     // just past the current line's first 7 bytes that aren't white space
  std::uint64_t tailStart_ = 0;
};

// How Export cuts a page held whole (the file layer's ExportSource cuts a
// page it reads in pieces the same way): whether the closing line was
// found with a byte after it, where the kept part of the page begins (past
// the closing line; else the whole page, less a byte-order mark, which the
// new start carries), and the page's encoding.
struct ExportCut {
  bool Found = false;
  std::size_t KeepFrom = 0;
  PageCharset Charset;
};
ExportCut CutForExport(std::string_view page);

// What the exported page holds before the old page's kept part:
// "<HTML>\n<HEAD>\n", the head block, the credit comments when found,
// and "\n</HEAD>\n".
std::string ExportPageStart(std::string_view headBlock, bool found);

// Turns the form's Windows-1252 text into the bytes of a page's encoding.
using PageTextEncoder = std::function<std::string(std::string_view text)>;

// The same start for a page in its own encoding: a UTF-8 byte-order mark
// when the page had one, "<HTML>\n<HEAD>\n", the page's declaring tag
// unchanged on its own line when the head part being replaced held one (so
// when found), then the rest, turned into the page's encoding by `encode`.
// For a windows-1252 page without a declaration, exactly the start above.
std::string ExportPageStart(std::string_view headBlock, bool found, const PageCharset& charset,
                            const PageTextEncoder& encode);

}  // namespace verdo
