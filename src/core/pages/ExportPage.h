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
  bool SawClosingLine() const { return state_ == State::Done; }

 private:
  enum class State { LeadingSpace, Matching, RestOfLine, Done };
  State state_ = State::LeadingSpace;
  std::size_t matched_ = 0;   // bytes of "</HEAD>" matched so far
  bool lowerCase_ = false;    // matching "</head>" rather than "</HEAD>"
  bool closing_ = false;      // the current line is the closing line
};

struct PageSplit {
  std::string HeadPart;  // the lines up to and including the closing line; the whole page when not Found
  std::string Tail;      // every byte after the closing line's LF
  bool Found = false;    // a closing line with at least one byte after it
};

// Splits a page (LF line ends, as read). A last line without LF is part of
// the head part when there is no closing line: it is kept, not dropped.
PageSplit SplitAtHeadEnd(std::string_view page);

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

// Turns a page's bytes, fed in pieces of any size, into what reading them as
// text and writing them back as text gives: a CR LF pair stays as it is, a LF
// alone becomes CR LF, a CR alone stays. A CR at the end of one piece and a
// LF at the start of the next are still one pair.
class CrLfStream {
 public:
  // Appends the converted bytes to `out`.
  void Convert(std::string_view bytes, std::string& out);
  // The converted bytes: `bytes` itself when every LF in them already
  // follows a CR (the common case of a page saved with CR LF), else the
  // conversion, made in `scratch`.
  std::string_view Converted(std::string_view bytes, std::string& scratch);

 private:
  bool afterCr_ = false;
};

// The whole exported page: ExportPageStart, then the tail when found,
// or the head part (that is, the whole old page) when not.
std::string ComposeExportPage(std::string_view headBlock, std::string_view headPart,
                              std::string_view tail, bool found);

}  // namespace verdo
