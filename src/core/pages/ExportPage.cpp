#include "core/pages/ExportPage.h"

#include <cstring>

#include "core/compose/HeadBlock.h"
#include "core/pages/PageImport.h"
#include "core/text/Text.h"

namespace verdo {

std::optional<std::size_t> HeadEndScanner::Feed(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n && state_ != State::Done) {
    const char c = bytes[i];
    switch (state_) {
      case State::LeadingSpace:
        if (IsTrimSpace(c)) {
          ++i;  // an empty or blank line ends here too: the next one starts the same way
        } else {
          state_ = State::LineStart;
          started_ = 0;
        }
        break;
      case State::LineStart:
        if (c != '\n' && started_ < kStartKept) {
          start_[started_++] = c;
          ++i;
        } else {
          // This byte is looked at again there (it may be the LF).
          closing_ = EndsHeadSection(std::string_view(start_, started_));
          state_ = State::RestOfLine;
        }
        break;
      case State::RestOfLine: {
        const void* lf = std::memchr(bytes.data() + i, '\n', n - i);
        if (!lf) {
          i = n;
          break;
        }
        i = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data()) + 1;
        if (closing_) {
          state_ = State::Done;
          return i;
        }
        state_ = State::LeadingSpace;
        break;
      }
      case State::Done: break;
    }
  }
  return std::nullopt;
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
