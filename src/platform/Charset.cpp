#include "platform/Charset.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <functional>

#include "core/text/Encoding.h"
#include "platform/Download.h"
#include "platform/FileAccess.h"
#include "platform/TextFile.h"

namespace verdo {
namespace {

struct IconvName {
  std::string_view Encoding;
  const char* Encoder;  // iconv's name for writing the encoding
  const char* Decoder;  // and for reading it
};

// Where iconv's name differs from the standard's, or where browsers read a
// wider set than the name says (GBK pages are read as gb18030, EUC-KR as
// Microsoft's code page 949, Shift_JIS as code page 932).
constexpr IconvName kIconvNames[] = {
    {"Shift_JIS", "CP932", "CP932"},
    {"EUC-KR", "CP949", "CP949"},
    {"Big5", "BIG5-HKSCS", "BIG5-HKSCS"},
    {"GBK", "GBK", "GB18030"},
    {"ISO-8859-8-I", "ISO-8859-8", "ISO-8859-8"},
    {"windows-874", "CP874", "CP874"},
    {"x-mac-cyrillic", "MAC-CYRILLIC", "MAC-CYRILLIC"},
    // Browsers read these as one U+FFFD or as private characters; iconv
    // has nothing for them.
    {"replacement", nullptr, nullptr},
    {"x-user-defined", nullptr, nullptr},
};

std::string IconvNameFor(std::string_view encoding, bool encoder) {
  for (const IconvName& name : kIconvNames)
    if (name.Encoding == encoding) {
      const char* iconvName = encoder ? name.Encoder : name.Decoder;
      return iconvName ? iconvName : "";
    }
  return std::string(encoding);
}

class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from)
      : cd_(to.empty() || from.empty() ? kClosed : ::iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (cd_ != kClosed) ::iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool Open() const { return cd_ != kClosed; }

  // Converts all of `in`. Where iconv stops at input it can't take, the
  // converter is brought back to its initial state and `stuck` is told the
  // rest of the input: it appends what stands for its start to the output
  // and says how many bytes that was.
  std::string Run(std::string_view in, const std::function<std::size_t(std::string_view, std::string&)>& stuck) {
    std::string out;
    char* input = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
      if (Step(&input, &inLeft, out) != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      Step(nullptr, nullptr, out);  // shift back, so what `stuck` appends reads as ASCII
      const std::size_t used = stuck(std::string_view(input, inLeft), out);
      input += used;
      inLeft -= used;
    }
    Step(nullptr, nullptr, out);
    return out;
  }

 private:
  static inline const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);

  // One call of iconv into a piece of buffer appended to `out`.
  std::size_t Step(char** input, std::size_t* inLeft, std::string& out) {
    char buffer[4096];
    char* output = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = ::iconv(cd_, input, inLeft, &output, &outLeft);
    const int saved = errno;
    out.append(buffer, static_cast<std::size_t>(output - buffer));
    errno = saved;
    return result;
  }

  iconv_t cd_;
};

// The length of the UTF-8 sequence that starts with `lead` (valid UTF-8).
std::size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::string EncodeForPage(std::string_view text, std::string_view encoding) {
  if (auto known = EncodeCp1252ForPage(text, encoding)) return *known;
  Iconv toPage(IconvNameFor(encoding, true), "UTF-8");
  if (!toPage.Open()) return AsciiWithReferencesFromCp1252(text);
  return toPage.Run(Utf8FromCp1252(text), [](std::string_view rest, std::string& out) {
    const std::size_t length = std::min(Utf8Length(static_cast<unsigned char>(rest.front())), rest.size());
    out += NumericReference(Utf32FromUtf8(rest.substr(0, length)).front());
    return length;
  });
}

std::string DecodeForForm(std::string_view bytes, std::string_view encoding) {
  if (auto known = Cp1252FromPageText(bytes, encoding)) return *known;
  Iconv fromPage("UTF-8", IconvNameFor(encoding, false));
  if (!fromPage.Open()) return std::string(bytes);
  const std::string utf8 = fromPage.Run(bytes, [](std::string_view, std::string& out) {
    out += "\xEF\xBF\xBD";
    return std::size_t{1};
  });
  return Cp1252WithReferencesFromUtf8(utf8);
}

std::string Utf8FromPage(std::string_view bytes, std::string_view encoding) {
  if (encoding == kUtf8) return std::string(bytes);
  if (encoding == kWindows1252) return Utf8FromCp1252(bytes);
  Iconv fromPage("UTF-8", IconvNameFor(encoding, false));
  if (!fromPage.Open()) return std::string(bytes);
  return fromPage.Run(bytes, [](std::string_view, std::string& out) {
    out += "\xEF\xBF\xBD";
    return std::size_t{1};
  });
}

PageValueDecoder FormDecoderFor(std::string_view encoding) {
  if (encoding == kWindows1252) return {};
  return [encoding](std::string_view value) { return DecodeForForm(value, encoding); };
}

std::string EncodedExportStart(std::string_view headBlock, bool found, const PageCharset& charset) {
  return ExportPageStart(headBlock, found, charset,
                         [&charset](std::string_view text) { return EncodeForPage(text, charset.Encoding); });
}

std::optional<PageCharset> StoredPageCharset(int fd, std::string_view contentType) {
  // The lines go to the scanner in pieces of some KiB: an unfinished tag
  // is read again with each piece.
  constexpr std::size_t kPiece = 64 * 1024;
  PageCharsetScanner scanner;
  std::string piece;
  const Outcome read = ForEachFileLine(
      fd,
      [&scanner, &piece](std::string_view line, bool) {
        if (EndsHeadSection(line)) return false;
        piece += line;
        if (piece.size() < kPiece) return true;
        scanner.FeedHead(piece);
        piece.clear();
        return scanner.WantsMore();
      },
      kMaxDownloadBytes);
  if (!read) return std::nullopt;
  scanner.FeedHead(piece);
  return scanner.Result(EncodingFromContentType(contentType));
}

std::optional<PageCharset> StoredPageCharset(const std::string& path, std::string_view contentType) {
  const ReadableFile page = OpenForReading(path);
  if (!page.Result) return std::nullopt;
  return StoredPageCharset(page.File.Get(), contentType);
}

std::optional<PageValueDecoder> StoredPageDecoder(int fd, std::string_view contentType) {
  const auto charset = StoredPageCharset(fd, contentType);
  if (!charset || IsWideEncoding(charset->Encoding)) return std::nullopt;
  return FormDecoderFor(charset->Encoding);
}

}  // namespace verdo
