#include "platform/TextWidth.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>
#include <sys/stat.h>

#include <memory>

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
    const std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buffer(hb_buffer_create(), hb_buffer_destroy);
    hb_buffer_add_utf8(buffer.get(), utf8.data(), static_cast<int>(utf8.size()), 0, static_cast<int>(utf8.size()));
    hb_buffer_guess_segment_properties(buffer.get());
    hb_feature_t kerning{};
    hb_feature_from_string("kern", -1, &kerning);
    hb_shape(font_, buffer.get(), &kerning, 1);
    unsigned count = 0;
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
    double units = 0;
    for (unsigned i = 0; i < count; ++i) units += positions[i].x_advance;
    return units * pixelSize / unitsPerEm_;
  }

 private:
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
