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

}  // namespace view
