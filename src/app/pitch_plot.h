// A picture of a pitch curve on its note grid, drawn by the same overlay the
// window shows over its panes, for `cantora-cli pitch --png`: plain pixels, so
// the caller can hand them to any image encoder.
#pragma once

#include <cstdint>
#include <vector>

#include "state/pitch_curve.h"

namespace app {

struct PitchPlot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
};

inline constexpr int PITCH_PLOT_WIDTH = 1200;
inline constexpr int PITCH_PLOT_HEIGHT = 480;

// Draws `points` (point i centred on frame (firstHop + i) * PITCH_HOP_FRAMES)
// for frames [firstFrame, firstFrame + frames) across the picture's width, on
// the pane background. False when the picture cannot be allocated.
bool renderPitchPlot(const std::vector<state::PitchPoint>& points, std::uint32_t firstHop,
                     std::uint64_t firstFrame, std::uint64_t frames, int width, int height,
                     PitchPlot& plot);

}  // namespace app
