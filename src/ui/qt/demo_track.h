// The demonstration's track: a short sung-like phrase synthesised in memory,
// placed in the window as a loaded track would be, and a selection made with
// the mouse the way a user makes one.
#pragma once

#include <cstdint>
#include <memory>

namespace ui {

class ShellWindow;

struct DemoTrack {
  std::uint32_t frames = 0;
  std::uint32_t channels = 0;
  std::uint32_t selStart = 0;  // the selection made, in frames
  std::uint32_t selEnd = 0;
};

// Places a track held in memory (interleaved when `channels` is 2) in the
// window as a finished load does: peaks, the fit zoom, the scroll bar, the
// panes drawn, for a track that comes from no file.
bool showTrack(ShellWindow& window, std::unique_ptr<std::int16_t[]> samples, std::uint32_t frames,
               std::uint32_t channels);

// Synthesises the phrase (three notes with vibrato, stereo) into the window's
// AppState, shows it at the fit zoom and drags a selection over the second
// note. Returns what it placed; frames 0 when the memory was not there.
DemoTrack placeDemoTrack(ShellWindow& window);

}  // namespace ui
