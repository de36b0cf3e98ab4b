// Placing a track held in memory in the window as a finished load does, and
// making a selection with the mouse the way a user makes one: for the
// demonstration and the Qt tests.
#pragma once

#include <cstdint>
#include <memory>

namespace ui {

class ShellWindow;

// Places a track held in memory (interleaved when `channels` is 2) in the
// window as a finished load does: peaks, the fit zoom, the scroll bar, the
// panes drawn, for a track that comes from no file.
bool showTrack(ShellWindow& window, std::unique_ptr<std::int16_t[]> samples, std::uint32_t frames,
               std::uint32_t channels);

// Drags a selection over pane A from `fromFrame` to `toFrame` (at the zoom
// shown) with the mouse's press, moves and release. True when a selection
// exists afterwards.
bool dragSelection(ShellWindow& window, std::uint32_t fromFrame, std::uint32_t toFrame);

}  // namespace ui
