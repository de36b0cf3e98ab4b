// A small bitmap font for the labels the view draws into the off-screen image
// itself (the note names of the pitch curve's scale): 5 x 7 pixel glyphs for
// the letters A to G, the digits and '#', one blank column between glyphs.
#pragma once

#include <cstdint>
#include <string_view>

#include "view/image.h"

namespace view {

inline constexpr int GLYPH_WIDTH = 5;
inline constexpr int GLYPH_HEIGHT = 7;
inline constexpr int GLYPH_ADVANCE = GLYPH_WIDTH + 1;

// Draws `text` with its top-left corner at (x, y) in `colour`, only over the
// pixels `drawOver` accepts; characters without a glyph leave a gap. Clipped
// to `clip`. Returns the column after the text.
int drawSmallText(Image& image, const Rect& clip, int x, int y, std::string_view text,
                  std::uint32_t colour, bool (*drawOver)(std::uint32_t pixel));

}  // namespace view
