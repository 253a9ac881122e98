// Export writes the head block into an existing page: the page is cut after
// the line that closes its head section, and a new head section goes in
// front of what follows.
//
// The closing line is the first line that, with white space trimmed from both
// ends, begins with "</HEAD>" or "</head>" (no other casing). When no byte
// follows it (or there is no closing line) the whole old page is kept behind
// the new head section.
#pragma once

#include <cstddef>
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
  // returns the offset within `bytes` just past its LF (which may equal
  // bytes.size()); until then nothing. After that it takes no more bytes.
  std::optional<std::size_t> Feed(std::string_view bytes);
  // Whether the closing line has been seen (for the checks of the scanner).
  bool SawClosingLine() const { return state_ == State::Done; }

 private:
  // EndsHeadSection decides on a line's start: this many bytes of it, from
  // its first byte that isn't white space, are more than it looks at.
  static constexpr std::size_t kStartKept = 16;

  enum class State { LeadingSpace, LineStart, RestOfLine, Done };
  State state_ = State::LeadingSpace;
  char start_[kStartKept] = {};  // the current line's start, from its first byte that isn't white space
  std::size_t started_ = 0;      // bytes of it held
  bool closing_ = false;         // the current line is the closing line
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
