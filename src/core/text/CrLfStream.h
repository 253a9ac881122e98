// Line-end conversion of a text that comes in pieces.
#pragma once

#include <string>
#include <string_view>

namespace verdo {

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

}  // namespace verdo
