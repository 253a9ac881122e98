// Widths against the font's own advance widths, read here with FreeType
// alone (no shaping), not against numbers taken from the code.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include "platform/TextWidth.h"

namespace verdo {
namespace {

class FontAdvances {
 public:
  explicit FontAdvances(const std::string& file) {
    ok_ = FT_Init_FreeType(&library_) == 0 && FT_New_Face(library_, file.c_str(), 0, &face_) == 0;
  }
  ~FontAdvances() {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }
  bool Ok() const { return ok_; }
  // The advance of a character's glyph in pixels at `size`, unscaled units converted.
  double Advance(char32_t ch, double size) const {
    EXPECT_EQ(FT_Load_Char(face_, ch, FT_LOAD_NO_SCALE), 0);
    return static_cast<double>(face_->glyph->advance.x) * size / face_->units_per_EM;
  }
  std::string Family() const { return face_->family_name; }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  bool ok_ = false;
};

TEST(TextWidth, SumsTheFontsAdvancesAndKerns) {
  const std::string file = TextWidthFontFile();
  ASSERT_FALSE(file.empty()) << "Liberation Sans (fonts-liberation2) is not installed";
  const FontAdvances font(file);
  ASSERT_TRUE(font.Ok());
  EXPECT_EQ(font.Family(), "Liberation Sans");
  struct Case {
    const char* Text;
    char32_t Ch;
    int Count;
    double Size;
  } cases[] = {{"WWWWW", U'W', 5, 20}, {"iiiii", U'i', 5, 20}, {"mmmmmmm", U'm', 7, 14}};
  for (const auto& c : cases)
    EXPECT_NEAR(*TextWidth(c.Text, c.Size), c.Count * font.Advance(c.Ch, c.Size), 1e-6) << c.Text;
  // "AV" sits tighter than its two glyphs side by side: kerning is on.
  EXPECT_LT(*TextWidth("AVAVAV", 20), 3 * (font.Advance(U'A', 20) + font.Advance(U'V', 20)) - 1);
  // UTF-8 is read as characters: "é" is one glyph, as wide as the font says.
  EXPECT_NEAR(*TextWidth("\xC3\xA9", 20), font.Advance(U'\u00E9', 20), 1e-6);
  EXPECT_EQ(*TextWidth("", 20), 0);
}

TEST(TextWidth, MissingGlyphsAreOneEmWhenWideElseUnmeasured) {
  ASSERT_FALSE(TextWidthFontFile().empty());
  const std::string ideographs = "\u65E5\u672C\u8A9E", hangul = "\uD55C\uAD6D";
  EXPECT_NEAR(*TextWidth(ideographs, 20), 3 * 20, 1e-6);
  EXPECT_NEAR(*TextWidth("Ab" + hangul, 14), *TextWidth("Ab", 14) + 2 * 14, 1e-6);
  EXPECT_NEAR(*TextWidth("\uFF21\U00020000", 20), 2 * 20, 1e-6);  // fullwidth A, plane 2
  EXPECT_FALSE(TextWidth("\u0645\u0631\u062D\u0628\u0627", 20));  // Arabic: no glyphs, not wide
}

TEST(TextWidth, LongTextsAreShapedInPiecesCutAtBlanksOrCharacters) {
  const FontAdvances font(TextWidthFontFile());
  ASSERT_TRUE(font.Ok());
  std::string words, ws, ideographs;
  for (int i = 0; i < 3000; ++i) words += "iiii ";
  ws.assign(10000, 'W');
  for (int i = 0; i < 5000; ++i) ideographs += "\u65E5";  // 3 bytes: cuts fall inside characters
  EXPECT_NEAR(*TextWidth(words, 20), 3000 * (4 * font.Advance(U'i', 20) + font.Advance(U' ', 20)), 1e-6);
  EXPECT_NEAR(*TextWidth(ws, 20), 10000 * font.Advance(U'W', 20), 1e-6);
  EXPECT_NEAR(*TextWidth(ideographs, 20), 5000 * 20, 1e-6);
}

}  // namespace
}  // namespace verdo
