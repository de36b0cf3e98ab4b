// Rendering the track into the off-screen image: the centre lines, then one
// frame per column (each sample a pixel, neighbours joined) or one bar per
// column from the column's maximum and minimum, read from the samples or from
// the peak array.
#pragma once

#include <cstdint>

#include "state/app_state.h"
#include "view/track_view.h"
#include "view/window_surface.h"

namespace view {

// Draws the visible part of the track over backgrounds painted beforehand,
// and the pitch curve over it when it is shown. Nothing without samples.
void renderTrack(TrackView& view, const state::AppState& app);

// Paints the backgrounds (pane B too when stereo), renders the track,
// invalidates pane A (and pane B when stereo) and updates the window.
void redrawPanes(TrackView& view, const state::AppState& app, WindowSurface& surface);

// How the frames of the view are dealt out to bar columns: n frames over the
// pane at f = n / W frames per column (or a whole number f), each column taking
// floor(f) frames and one more whenever the accumulated fraction reaches one.
// The accumulator counts in 1/W steps, so it never drifts.
class ColumnFrames {
 public:
  // frames: frames from the first visible one to the track end; whole: floor(f);
  // fractionNumerator / fractionDenominator: f - floor(f) (0 / 1 for a whole f).
  ColumnFrames(std::uint64_t frames, std::uint64_t whole, std::uint64_t fractionNumerator,
               std::uint64_t fractionDenominator);
  // The frames of the next column (0 when the track is used up); `last` is set
  // for the column that takes the rest.
  std::uint64_t next(bool& last);

 private:
  std::uint64_t left_;
  std::uint64_t whole_;
  std::uint64_t numerator_;
  std::uint64_t denominator_;
  std::uint64_t accumulator_ = 0;
  bool first_ = true;
  bool done_ = false;
};

}  // namespace view
