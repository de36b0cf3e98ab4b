// Drawing a five-minute stereo track into a 1800 x 752 window's image at
// several zooms, from the peak array and from the samples, reported as the
// time per full redraw and as the ratio of the two (how much the peak array
// saves when a column spans many frames); then the pitch curve's overlay while
// the view scrolls, as the share it adds to each redraw.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "state/app_state.h"
#include "state/track_sizing.h"
#include "view/pane_background.h"
#include "view/peaks.h"
#include "view/track_view.h"
#include "view/waveform_renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds per redraw of the whole view. With `scrollStep` the view moves that
// many columns before each redraw (wrapping), as the scroll bar and the follow
// step move it; at the fit zoom it stays.
double secondsPerRedraw(view::TrackView& tv, state::AppState& app, int scrollStep = 0) {
  int rounds = 0;
  const auto start = Clock::now();
  double elapsed = 0.0;
  const auto columns = static_cast<std::int32_t>(app.frameCount / app.framesPerPixel);
  const bool scrolls = scrollStep > 0 && app.framesPerPixel != app.fitFramesPerPixel;
  do {
    if (scrolls) app.scrollPos = (rounds * scrollStep) % columns;
    view::paintBackgrounds(tv, app, true);
    view::renderTrack(tv, app);
    ++rounds;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < 0.3);
  return elapsed / rounds;
}

// A plain min/max scan of n stereo frames, for scale.
double secondsPerScan(const std::int16_t* samples, std::uint32_t n) {
  int rounds = 0;
  const auto start = Clock::now();
  double elapsed = 0.0;
  volatile int sink = 0;
  do {
    std::int16_t hi = 0, lo = 0;
    for (std::size_t i = 0; i < std::size_t{n} * 2; ++i) {
      hi = std::max(hi, samples[i]);
      lo = std::min(lo, samples[i]);
    }
    sink = sink + hi - lo;
    ++rounds;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < 0.3);
  return elapsed / rounds;
}

// A sung curve on both channels: notes of a second with a vibrato, and a
// breath between them.
void placePitchCurve(state::AppState& app) {
  const std::lock_guard<std::mutex> hold(app.pitch.lock);
  const std::uint32_t hops = state::PitchCurves::hopCount(app.frameCount);
  app.pitch.frames = app.frameCount;
  app.pitch.channels = 2;
  for (auto& curve : app.pitch.current) {
    curve.resize(hops);
    for (std::uint32_t k = 0; k < hops; ++k) {
      const float note = static_cast<float>((k / 43) % 12) - 9.0f;
      curve[k] = {note + 0.3f * static_cast<float>(std::sin(0.75 * k)), 0.95f, k % 43 >= 6};
    }
  }
  app.pitch.allowed[0] = app.pitch.allowed[3] = app.pitch.allowed[7] = true;
}

}  // namespace

int main() {
  state::AppState app;
  view::TrackView tv;
  if (!view::layoutWindow(tv, app, 1784, 693, 1800, 752)) {
    std::fprintf(stderr, "render_bench: no image\n");
    return 1;
  }
  const int paneWidth = tv.geometry.paneWidth();
  app.initialPaneWidth = paneWidth;
  const std::uint32_t frames = 44100u * 300u;
  app.samples.reset(new std::int16_t[std::size_t{frames} * 2]);
  std::uint32_t x = 12345;
  for (std::size_t i = 0; i < std::size_t{frames} * 2; ++i) {
    x = x * 1664525u + 1013904223u;
    app.samples[i] = static_cast<std::int16_t>(x >> 17);
  }
  app.frameCount = frames;
  app.channels = 2;
  app.stereo = true;
  state::PeakArray pa = state::sizePeakArray(frames, 2, paneWidth, true);
  if (!pa.peaks) {
    std::fprintf(stderr, "render_bench: no peak array\n");
    return 1;
  }
  view::computePeaks(pa.peaks.get(), app.samples.get(), frames, 2, pa.framesPerPeak);
  app.framesPerPeak = pa.framesPerPeak;
  app.fitFramesPerPixel = state::fitZoom(frames, paneWidth);

  std::printf("stereo, %u frames, pane %d columns, %u frames per peak group\n", frames, paneWidth,
              app.framesPerPeak);
  std::printf("%10s %16s %16s %8s\n", "zoom", "peaks ms", "samples ms", "ratio");
  for (std::uint32_t zoom = app.framesPerPeak; zoom < app.fitFramesPerPixel; zoom *= 4) {
    app.framesPerPixel = zoom;
    app.scrollPos = 0;
    app.peaks = std::move(pa.peaks);
    const double withPeaks = secondsPerRedraw(tv, app);
    pa.peaks = std::move(app.peaks);
    const double withSamples = secondsPerRedraw(tv, app);
    std::printf("%10u %16.3f %16.3f %8.1f\n", zoom, withPeaks * 1e3, withSamples * 1e3,
                withSamples / withPeaks);
  }
  // The fit zoom with and without the peak array, beside a plain min/max scan
  // of the whole track (what the samples-only path amounts to at best).
  app.framesPerPixel = app.fitFramesPerPixel;
  app.peaks = std::move(pa.peaks);
  const double fitPeaks = secondsPerRedraw(tv, app);
  pa.peaks = std::move(app.peaks);
  const double fitSamples = secondsPerRedraw(tv, app);
  const double scan = secondsPerScan(app.samples.get(), frames);
  app.framesPerPixel = 1;
  const double one = secondsPerRedraw(tv, app);
  std::printf(
      "fit zoom: %.3f ms from the peak array, %.3f ms from the samples, plain min/max scan "
      "%.3f ms (ratios %.2f and %.2f of the scan); one frame per column: %.3f ms\n",
      fitPeaks * 1e3, fitSamples * 1e3, scan * 1e3, fitPeaks / scan, fitSamples / scan, one * 1e3);

  app.peaks = std::move(pa.peaks);
  placePitchCurve(app);
  std::printf("pitch curve overlay, redraws 8 columns apart while scrolling:\n");
  std::printf("%10s %14s %14s %10s\n", "zoom", "hidden ms", "shown ms", "overlay");
  for (std::uint32_t zoom : {64u, 1024u, app.fitFramesPerPixel}) {
    app.framesPerPixel = zoom;
    app.scrollPos = 0;
    app.pitch.shown = false;
    const double hidden = secondsPerRedraw(tv, app, 8);
    app.pitch.shown = true;
    const double shown = secondsPerRedraw(tv, app, 8);
    std::printf("%10u %14.3f %14.3f %9.0f%%\n", zoom, hidden * 1e3, shown * 1e3,
                100.0 * (shown - hidden) / hidden);
  }
  return 0;
}
