// The track view's named constants: colours of the off-screen image, the
// transport buttons' ids and captions, and the fixed sizes of the layout.
#pragma once

#include <cstdint>

namespace view {

// Pixels are 0x00RRGGBB.
inline constexpr std::uint32_t COLOUR_PANE = 0x004040;           // pane background
inline constexpr std::uint32_t COLOUR_PANE_SELECTED = 0x404000;  // selected columns
inline constexpr std::uint32_t COLOUR_WAVE = 0x00F0F0;           // waveform, live display
inline constexpr std::uint32_t COLOUR_WAVE_SELECTED = 0xF0F000;  // waveform in the selection
inline constexpr std::uint32_t COLOUR_BLACK = 0x000000;          // centre lines, outlines, cursor
inline constexpr std::uint32_t COLOUR_MARGIN = 0x408080;
inline constexpr std::uint32_t COLOUR_FRAME = 0x808080;

inline constexpr int BUTTON_COUNT = 7;
inline constexpr int BUTTON_ID_FIRST = 200;
inline constexpr int ID_PLAY = 200;
inline constexpr int ID_LOOP = 201;
inline constexpr int ID_RECORD = 202;
inline constexpr int ID_PAUSE = 203;
inline constexpr int ID_STOP = 204;
inline constexpr int ID_ZOOM_IN = 205;
inline constexpr int ID_ZOOM_OUT = 206;
inline constexpr const char* BUTTON_TEXTS[BUTTON_COUNT] = {"Play", "Loop",    "Record",  "Pause",
                                                           "Stop", "Zoom in", "Zoom out"};
// The scroll bar is a child control too; it has no command id of its own.
inline constexpr int SCROLL_BAR_ID = 0;

inline constexpr int BUTTON_WIDTH = 96;
inline constexpr int BUTTON_HEIGHT = 32;
inline constexpr int SCROLL_BAR_HEIGHT = 16;
inline constexpr int PROGRESS_BOX_WIDTH = 224;
inline constexpr int PROGRESS_BOX_HEIGHT = 56;
// The progress box's inner outline and its bar, inset from the outer edge.
inline constexpr int PROGRESS_INNER_INSET = 4;
inline constexpr int PROGRESS_BAR_INSET = 12;
inline constexpr std::uint32_t COLOUR_PROGRESS = 0x408080;  // progress bar columns

// Distances from the client edges (l, t, r, b) to the waveform area's parts.
inline constexpr int FRAME_INSET = 8;  // frame: (l+8, t+8, r-8, b-64)
inline constexpr int FRAME_BOTTOM_SPACE = 64;
inline constexpr int INNER_INSET = 16;  // inner box: (l+16, t+16, r-16, b-72)
inline constexpr int INNER_BOTTOM_SPACE = 72;
inline constexpr int PANE_INSET = 17;  // panes start one pixel inside the inner box
inline constexpr int PANE_GAP = 4;     // rows between half the inner box and a pane
inline constexpr int BUTTON_ROW_WIDTH = BUTTON_COUNT * BUTTON_WIDTH;  // 672
inline constexpr int BUTTON_ROW_FROM_BOTTOM = 32;
// The largest off-screen image side accepted; larger client sizes are refused.
inline constexpr int IMAGE_MAX_SIDE = 1 << 15;

}  // namespace view
