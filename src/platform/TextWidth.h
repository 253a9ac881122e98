// Widths of text as search results set it: Arial, here Liberation Sans
// (metric-compatible with it, Debian's fonts-liberation2), shaped by
// HarfBuzz with kerning on, the font read by FreeType.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verdo {

// The width in pixels of UTF-8 text set at `pixelSize` (unhinted, as
// browsers lay text out). A character the font lacks counts one em when it
// is East Asian wide or fullwidth (browsers set it from a CJK font); nothing
// when any other is missing, or when the font can't be found or read.
// The font is looked up and loaded once, at the first call.
std::optional<double> TextWidth(std::string_view utf8, double pixelSize);

// The font file used, or empty when there is none.
std::string TextWidthFontFile();

}  // namespace verdo
