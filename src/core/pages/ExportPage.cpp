#include "core/pages/ExportPage.h"

#include <algorithm>
#include <cstring>

#include "core/compose/HeadBlock.h"
#include "core/pages/PageImport.h"
#include "core/text/Text.h"

namespace verdo {

std::size_t HeadEndScanner::Finish(std::uint64_t tailStart) {
  state_ = State::Done;
  tailStart_ = tailStart;
  return tailStart >= fed_ ? static_cast<std::size_t>(tailStart - fed_) : 0;
}

std::optional<std::size_t> HeadEndScanner::Feed(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  std::optional<std::size_t> result;
  while (i < n && state_ != State::Done) {
    const char c = bytes[i];
    switch (state_) {
      case State::LeadingSpace:
        if (IsTrimSpace(c)) {
          ++i;  // an empty or blank line ends here too: the next one starts the same way
        } else {
          state_ = State::LineStart;
          started_ = 0;
          tagEnd_ = fed_ + i + kTagLength;
        }
        break;
      case State::LineStart:
        if (c != '\n' && started_ < kStartKept) {
          start_[started_++] = c;
          ++i;
          break;
        }
        // This byte is looked at again there (it may be the LF).
        closing_ = EndsHeadSection(std::string_view(start_, started_));
        afterTag_ = closing_ && !std::all_of(start_ + kTagLength, start_ + started_, IsTrimSpace);
        state_ = State::RestOfLine;
        break;
      case State::RestOfLine: {
        const void* lf = std::memchr(bytes.data() + i, '\n', n - i);
        const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data()) : n;
        if (closing_ && !afterTag_) afterTag_ = !std::all_of(bytes.data() + i, bytes.data() + end, IsTrimSpace);
        if (!lf) {
          i = n;
          break;
        }
        i = end + 1;
        if (closing_) {
          // Something after the tag: the tail begins right after it.
          result = Finish(afterTag_ ? tagEnd_ : fed_ + i);
          break;
        }
        state_ = State::LeadingSpace;
        break;
      }
      case State::Done: break;
    }
  }
  fed_ += n;
  return result;
}

ExportCut CutForExport(std::string_view page) {
  HeadEndScanner scanner;
  PageCharsetScanner charset;
  const auto tailStart = scanner.Feed(page);
  charset.FeedHead(page.substr(0, tailStart.value_or(page.size())));
  ExportCut cut;
  cut.Found = tailStart && *tailStart < page.size();
  if (cut.Found) charset.FeedRest(page.substr(*tailStart));
  cut.Charset = charset.Result();
  cut.KeepFrom = cut.Found ? *tailStart : cut.Charset.BomLength;
  return cut;
}

std::string ExportPageStart(std::string_view headBlock, bool found) {
  return ExportPageStart(headBlock, found, PageCharset{}, {});
}

std::string ExportPageStart(std::string_view headBlock, bool found, const PageCharset& charset,
                            const PageTextEncoder& encode) {
  std::string start = charset.BomLength > 0 && charset.Encoding == kUtf8 ? "\xEF\xBB\xBF" : "";
  start += "<HTML>\n<HEAD>\n";
  // Within the first bytes of the page, where browsers look for it. Its line
  // ends become LF here, as the page's were when it was read.
  if (found && !charset.Declaration.empty()) start += CrLfToLf(charset.Declaration) + "\n";
  std::string rest(headBlock);
  if (found) rest += CreditComments();
  rest += "\n</HEAD>\n";
  start += encode ? encode(rest) : rest;
  return start;
}

}  // namespace verdo
