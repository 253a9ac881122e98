// Which encoding a page is in, told from its bytes as browsers tell it: a
// byte-order mark, the charset of the HTTP answer, a declaration in the page
// (<meta charset="..."> or <meta http-equiv="Content-Type"
// content="text/html; charset=...">), else a guess from the bytes.
//
// Everything here takes the page in pieces of any size, so a page of any
// length is scanned without holding it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/Encoding.h"

namespace verdo {

// The encoding named by the charset parameter of a Content-Type value
// ("text/html; charset=utf-8" gives "UTF-8"); nothing when there is none or
// it names no encoding browsers know.
std::optional<std::string_view> EncodingFromContentType(std::string_view contentType);

// The encoding a meta element's content attribute names
// ("text/html; charset=ISO-8859-2"), or nothing.
std::optional<std::string_view> EncodingFromMetaContent(std::string_view content);

// Finds the first character-set declaration among the tags of the bytes fed
// to it: a meta tag with a charset attribute, or with http-equiv
// "Content-Type" and a content naming a charset; names and values in any
// case, quoted with " or ' or not at all, attributes in any order, the tag
// spread over lines or not. Comments are skipped, and so are the attributes
// of other tags. A declaration of a label browsers don't know doesn't count;
// one of UTF-16 counts as UTF-8 (a page that can declare itself isn't
// UTF-16), and x-user-defined as windows-1252.
class CharsetDeclarationFinder {
 public:
  // A tag that doesn't end within this many bytes is given up on (read as text).
  static constexpr std::size_t kLongestTag = 64 * 1024;

  // An unfinished tag is read again when more bytes come, once one of them
  // is a ">"; so feed pieces of some KiB, not single lines, where a page
  // may be hostile.
  void Feed(std::string_view bytes);
  bool Found() const { return encoding_.has_value(); }
  // The encoding declared, once found.
  std::optional<std::string_view> Encoding() const { return encoding_; }
  // The declaring tag as it stands in the page, from "<" to ">", once found.
  const std::string& Tag() const { return tag_; }

 private:
  // Scans `pending_`; returns how many of its bytes are done with.
  std::size_t Scan();

  std::string pending_;  // bytes not yet done with: an unfinished tag or comment end
  bool inComment_ = false;
  bool inTag_ = false;  // `pending_` starts with a tag that needs a ">" to end
  std::optional<std::string_view> encoding_;
  std::string tag_;
};

// What the program decided about a page's encoding.
struct PageCharset {
  std::string_view Encoding = kWindows1252;
  std::size_t BomLength = 0;  // the byte-order mark at the page's start, if any
  std::string Declaration;    // the declaring tag as it stands in the page, or empty
};

// Gathers the evidence while a page is read: first the bytes of the part
// where a declaration counts (from the page's first byte), then, if wanted,
// the rest, which only the UTF-8 check looks at.
class PageCharsetScanner {
 public:
  void FeedHead(std::string_view bytes);
  void FeedRest(std::string_view bytes);
  // True while more bytes can still change the answer: no byte-order mark,
  // no declaration, and valid UTF-8 so far.
  bool WantsMore() const;

  // The page's encoding: its byte-order mark; else `transport` (the charset
  // of the HTTP answer), when there is one; else its declaration; else UTF-8
  // when the bytes fed are valid UTF-8 with at least one that isn't ASCII;
  // else windows-1252. The tag is kept whenever there was a declaration.
  PageCharset Result(std::optional<std::string_view> transport = std::nullopt) const;

 private:
  void KeepStart(std::string_view bytes);

  std::string start_;  // the first bytes, enough to tell a byte-order mark
  CharsetDeclarationFinder declaration_;
  Utf8Check utf8_;
};

}  // namespace verdo
