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

PageSplit SplitAtHeadEnd(std::string_view page) {
  PageSplit split;
  HeadEndScanner scanner;
  const auto tailStart = scanner.Feed(page);
  if (tailStart && *tailStart < page.size()) {
    split.HeadPart.assign(page.substr(0, *tailStart));
    split.Tail.assign(page.substr(*tailStart));
    split.Found = true;
  } else {
    split.HeadPart.assign(page);
  }
  return split;
}

void CrLfStream::Convert(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const void* lf = std::memchr(bytes.data() + i, '\n', n - i);
    const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data()) : n;
    if (end > i) {
      out.append(bytes.data() + i, end - i);
      afterCr_ = bytes[end - 1] == '\r';
    }
    if (!lf) break;
    if (!afterCr_) out += '\r';
    out += '\n';
    afterCr_ = false;
    i = end + 1;
  }
}

std::string_view CrLfStream::Converted(std::string_view bytes, std::string& scratch) {
  // Is there a LF that doesn't follow a CR? memchr jumps from line end to
  // line end much faster than a look at every byte.
  bool lone = false;
  for (std::size_t i = 0; i < bytes.size() && !lone;) {
    const void* lf = std::memchr(bytes.data() + i, '\n', bytes.size() - i);
    if (!lf) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data());
    lone = at == 0 ? !afterCr_ : bytes[at - 1] != '\r';
    i = at + 1;
  }
  if (!lone) {
    if (!bytes.empty()) afterCr_ = bytes.back() == '\r';
    return bytes;
  }
  scratch.clear();
  Convert(bytes, scratch);
  return scratch;
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

std::string ComposeExportPage(std::string_view headBlock, std::string_view headPart,
                              std::string_view tail, bool found) {
  std::string page = ExportPageStart(headBlock, found);
  page += found ? tail : headPart;
  return page;
}

}  // namespace verdo
