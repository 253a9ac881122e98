#include "platform/TextWidth.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>
#include <sys/stat.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

namespace verdo {

namespace {

// Where Debian puts it; elsewhere fontconfig is asked.
constexpr const char* kKnownFiles[] = {
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
};

bool IsRegularFile(const char* path) {
  struct stat status {};
  return ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

// Fontconfig answers every question with some font: only a family that is
// Arial or metric-compatible with it will do.
std::string AskFontconfig() {
  if (!FcInit()) return {};
  std::string file;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Liberation Sans:style=Regular"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* family = nullptr;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
      const std::string name = reinterpret_cast<const char*>(family);
      if (name == "Liberation Sans" || name == "Arimo" || name == "Arial") file = reinterpret_cast<const char*>(path);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

std::string FindFontFile() {
  for (const char* path : kKnownFiles)
    if (IsRegularFile(path)) return path;
  return AskFontconfig();
}

// East Asian Wide and Fullwidth characters (Unicode's EastAsianWidth.txt,
// classes W and F, with unassigned gaps closed): browsers set them from a
// fallback font one em wide when Liberation Sans lacks them.
constexpr std::pair<char32_t, char32_t> kWideRanges[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x267F, 0x267F},
    {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},
    {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},
    {0x27B0, 0x27B0},   {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},
    {0x2E80, 0x303E},   {0x3041, 0x3247},   {0x3250, 0x4DBF},   {0x4E00, 0xA4CF},   {0xA960, 0xA97F},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x16FE0, 0x1B2FF}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E},
    {0x1F191, 0x1F19A}, {0x1F200, 0x1F320}, {0x1F32D, 0x1F335}, {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393},
    {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3}, {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E},
    {0x1F440, 0x1F440}, {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567},
    {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F}, {0x1F680, 0x1F6C5},
    {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2}, {0x1F6D5, 0x1F6DF}, {0x1F6EB, 0x1F6EC}, {0x1F6F4, 0x1F6FC},
    {0x1F7E0, 0x1F7F0}, {0x1F90C, 0x1F93A}, {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF}, {0x1FA70, 0x1FAFF},
    {0x20000, 0x3FFFD},
};

bool IsWide(char32_t ch) {
  const auto after = std::upper_bound(std::begin(kWideRanges), std::end(kWideRanges), ch,
                                      [](char32_t c, const auto& range) { return c < range.first; });
  return after != std::begin(kWideRanges) && ch <= std::prev(after)->second;
}

// The character that starts at `at`; U+FFFD for a byte that starts none.
char32_t CharacterAt(std::string_view utf8, std::size_t at) {
  const auto lead = static_cast<unsigned char>(utf8[at]);
  const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || at + length > utf8.size()) return 0xFFFD;
  char32_t ch = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) ch = (ch << 6) | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
  return ch;
}

// Text is shaped in pieces of about this many bytes, so that memory stays
// the same however long it is; kerning across a cut is lost, a fraction of
// a pixel.
constexpr std::size_t kPieceBytes = 4096;

// Where the piece that starts at `start` ends: after its last blank, or
// when it has none, at the start of a character.
std::size_t PieceEnd(std::string_view utf8, std::size_t start) {
  if (utf8.size() - start <= kPieceBytes) return utf8.size();
  const std::size_t blank = utf8.substr(start, kPieceBytes).rfind(' ');
  if (blank != std::string_view::npos) return start + blank + 1;
  std::size_t end = start + kPieceBytes;
  for (int i = 0; i < 3 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80; ++i) --end;
  return end;
}

using Buffer = std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)>;

class Shaper {
 public:
  Shaper() : file_(FindFontFile()) {
    if (file_.empty() || FT_Init_FreeType(&library_) != 0) return;
    if (FT_New_Face(library_, file_.c_str(), 0, &face_) != 0) {
      face_ = nullptr;
      return;
    }
    hb_face_t* face = hb_ft_face_create_referenced(face_);
    font_ = hb_font_create(face);  // scaled in font units: advances exact, unhinted
    hb_face_destroy(face);
    unitsPerEm_ = hb_face_get_upem(hb_font_get_face(font_));
  }
  ~Shaper() {
    if (font_) hb_font_destroy(font_);
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }
  Shaper(const Shaper&) = delete;
  Shaper& operator=(const Shaper&) = delete;

  const std::string& File() const { return file_; }

  std::optional<double> Width(std::string_view utf8, double pixelSize) const {
    if (!font_ || unitsPerEm_ == 0) return std::nullopt;
    const Buffer buffer(hb_buffer_create(), hb_buffer_destroy);
    double units = 0;
    for (std::size_t start = 0; start < utf8.size();) {
      const std::size_t end = PieceEnd(utf8, start);
      const std::optional<double> piece = PieceUnits(buffer.get(), utf8.substr(start, end - start));
      if (!piece) return std::nullopt;
      units += *piece;
      start = end;
    }
    return units * pixelSize / unitsPerEm_;
  }

 private:
  // The advance of a piece in font units. A character the font has no
  // glyph for is one em when it is wide (browsers take it from a CJK
  // font); any other makes the width unknown: the .notdef box's advance
  // would be a wrong number.
  std::optional<double> PieceUnits(hb_buffer_t* buffer, std::string_view utf8) const {
    hb_buffer_clear_contents(buffer);
    hb_buffer_set_cluster_level(buffer, HB_BUFFER_CLUSTER_LEVEL_CHARACTERS);
    hb_buffer_add_utf8(buffer, utf8.data(), static_cast<int>(utf8.size()), 0, static_cast<int>(utf8.size()));
    hb_buffer_guess_segment_properties(buffer);
    hb_feature_t kerning{};
    hb_feature_from_string("kern", -1, &kerning);
    hb_shape(font_, buffer, &kerning, 1);
    unsigned count = 0;
    const hb_glyph_info_t* glyphs = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    double units = 0;
    for (unsigned i = 0; i < count; ++i) {
      if (glyphs[i].codepoint != 0) units += positions[i].x_advance;
      else if (IsWide(CharacterAt(utf8, glyphs[i].cluster))) units += unitsPerEm_;
      else return std::nullopt;
    }
    return units;
  }

  std::string file_;
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  hb_font_t* font_ = nullptr;
  unsigned unitsPerEm_ = 0;
};

const Shaper& TheShaper() {
  static const Shaper shaper;
  return shaper;
}

}  // namespace

std::optional<double> TextWidth(std::string_view utf8, double pixelSize) { return TheShaper().Width(utf8, pixelSize); }

std::string TextWidthFontFile() { return TheShaper().File(); }

}  // namespace verdo
