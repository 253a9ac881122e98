// Cutting bytes that come in pieces of any size (a file read a buffer at a
// time) into LF-ended lines, holding at most a bounded part of any line.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace verdo {

class LineSplitter {
 public:
  // What a line keeps at most: a page is no reason to hold hundreds of MiB.
  static constexpr std::size_t kDefaultKept = std::size_t{1} << 20;

  // `line` holds the LF that ends it. `whole` is false for a line of more
  // than the kept bytes (its LF included): `line` is then its first kept
  // bytes only. Returning false stops the splitting.
  using OnLine = std::function<bool(std::string_view line, bool whole)>;

  explicit LineSplitter(std::size_t kept = kDefaultKept) : maxLineBytes_(kept ? kept : 1) {}

  // Calls onLine with each line the bytes complete, in order. Bytes after the
  // last LF wait for the next piece; when none comes they form no line.
  // False once onLine has returned false; no more bytes are taken then.
  bool Feed(std::string_view bytes, const OnLine& onLine);

 private:
  // Adds bytes to the carried line, as many as it may still keep.
  void CarryOver(std::string_view bytes);

  std::size_t maxLineBytes_;
  std::string carried_;    // the kept start of a line that runs past a piece
  bool overlong_ = false;  // the carried line has more bytes than it keeps
  bool stopped_ = false;
};

}  // namespace verdo
