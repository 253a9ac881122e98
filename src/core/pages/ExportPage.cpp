#include "core/pages/ExportPage.h"

#include <cstring>

#include "core/compose/HeadBlock.h"
#include "core/text/Text.h"

namespace verdo {

namespace {
constexpr std::string_view kUpperClose = "</HEAD>";
constexpr std::string_view kLowerClose = "</head>";
}  // namespace

std::optional<std::size_t> HeadEndScanner::Feed(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n && state_ != State::Done) {
    const char c = bytes[i];
    switch (state_) {
      case State::LeadingSpace:
        if (c == '\n') {
          ++i;  // an empty or blank line: next line
        } else if (IsTrimSpace(c)) {
          ++i;
        } else if (c == '<') {
          state_ = State::Matching;
          matched_ = 1;
          ++i;
        } else {
          state_ = State::RestOfLine;
        }
        break;
      case State::Matching: {
        // "</" is shared; the third byte picks the casing.
        if (matched_ == 2) lowerCase_ = (c == 'h');
        const std::string_view want = lowerCase_ ? kLowerClose : kUpperClose;
        if (c == want[matched_]) {
          ++i;
          if (++matched_ == want.size()) {
            closing_ = true;
            state_ = State::RestOfLine;
          }
        } else {
          state_ = State::RestOfLine;  // this byte is looked at again there (it may be the LF)
        }
        break;
      }
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
        matched_ = 0;
        lowerCase_ = false;
        break;
      }
      case State::Done:
        break;
    }
  }
  return std::nullopt;
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
