// DrawReadout: the note readout's text drawn straight onto the window (not
// into the off-screen image), centred on its anchor in the pane that holds
// the anchor, and remembered there so that it can be erased later.
#pragma once

#include <string_view>

#include "app/app_context.h"

namespace app {

// The readout's colours, 0x00RRGGBB: yellow text on a dark olive ground.
inline constexpr std::uint32_t READOUT_TEXT_COLOUR = 0xF0F000;
inline constexpr std::uint32_t READOUT_BACKGROUND_COLOUR = 0x404000;

// The area a readout of `textSize` takes around (anchorX, anchorY): its
// width and height raised to even numbers, centred on the anchor, then moved
// to lie within pane A's horizontal extent (both panes share it).
Rect readoutArea(Size textSize, int anchorX, int anchorY, const Rect& paneA);

// Draws `text` in pane A's readout area when anchorY lies above pane A's
// bottom edge, else in pane B's, and marks that area shown.
void DrawReadout(AppContext& ctx, std::string_view text, int anchorX, int anchorY);

}  // namespace app
