// The pitch curve's overlay while the view scrolls: a five-minute stereo track
// redrawn at successive scroll positions (as the scroll bar and the follow
// step redraw it) with the curve shown and hidden, at three zooms, reported
// per redraw and as the share the overlay adds.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "state/app_state.h"
#include "state/track_sizing.h"
#include "view/pane_background.h"
#include "view/peaks.h"
#include "view/track_view.h"
#include "view/waveform_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Redraws at scroll positions 8 columns apart across the track (wrapping),
// for at least 0.3 s; seconds per redraw.
double secondsPerScrollRedraw(view::TrackView& tv, state::AppState& app) {
  int rounds = 0;
  const auto start = Clock::now();
  double elapsed = 0.0;
  const std::int32_t columns = static_cast<std::int32_t>(app.frameCount / app.framesPerPixel);
  do {
    app.scrollPos = app.framesPerPixel == app.fitFramesPerPixel ? 0 : (rounds * 8) % columns;
    view::paintBackgrounds(tv, app, true);
    view::renderTrack(tv, app);
    ++rounds;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < 0.3);
  return elapsed / rounds;
}

}  // namespace

int main() {
  state::AppState app;
  view::TrackView tv;
  if (!view::layoutWindow(tv, app, 1784, 693, 1800, 752)) {
    std::fprintf(stderr, "pitch_overlay_bench: no image\n");
    return 1;
  }
  const int paneWidth = tv.geometry.paneWidth();
  app.initialPaneWidth = paneWidth;
  const std::uint32_t frames = 44100u * 300u;
  app.samples.reset(new std::int16_t[std::size_t{frames} * 2]);
  for (std::size_t i = 0; i < std::size_t{frames} * 2; ++i)
    app.samples[i] = static_cast<std::int16_t>(9000 * std::sin(0.03 * static_cast<double>(i)));
  app.frameCount = frames;
  app.channels = 2;
  app.stereo = true;
  state::PeakArray pa = state::sizePeakArray(frames, 2, paneWidth, true);
  if (pa.peaks) {
    view::computePeaks(pa.peaks.get(), app.samples.get(), frames, 2, pa.framesPerPeak);
    app.peaks = std::move(pa.peaks);
    app.framesPerPeak = pa.framesPerPeak;
  }
  app.fitFramesPerPixel = state::fitZoom(frames, paneWidth);
  // A sung curve: notes of a second, a vibrato, and a breath between them.
  {
    const std::lock_guard<std::mutex> hold(app.pitch.lock);
    const std::uint32_t hops = state::PitchCurves::hopCount(frames);
    app.pitch.frames = frames;
    app.pitch.channels = 2;
    for (int c = 0; c < 2; ++c) {
      app.pitch.current[c].resize(hops);
      for (std::uint32_t k = 0; k < hops; ++k) {
        const bool breath = k % 43 < 6;
        const float note = static_cast<float>((k / 43) % 12) - 9.0f;
        app.pitch.current[c][k] = {note + 0.3f * static_cast<float>(std::sin(0.75 * k)), 0.95f,
                                   !breath};
      }
    }
    app.pitch.allowed[0] = app.pitch.allowed[3] = app.pitch.allowed[7] = true;
  }

  std::printf("stereo, %u frames, pane %d columns; redraws 8 columns apart\n", frames, paneWidth);
  std::printf("%10s %14s %14s %10s\n", "zoom", "hidden ms", "shown ms", "overlay");
  for (std::uint32_t zoom : {64u, 1024u, app.fitFramesPerPixel}) {
    app.framesPerPixel = zoom;
    app.pitch.shown = false;
    const double hidden = secondsPerScrollRedraw(tv, app);
    app.pitch.shown = true;
    const double shown = secondsPerScrollRedraw(tv, app);
    std::printf("%10u %14.3f %14.3f %9.0f%%\n", zoom, hidden * 1e3, shown * 1e3,
                100.0 * (shown - hidden) / hidden);
  }
  return 0;
}
