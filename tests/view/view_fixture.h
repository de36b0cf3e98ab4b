// Shared set-up for the track view's tests: a WindowSurface that records every
// call and keeps the live drawing on a window-sized layer, an AppState with a
// track placed in it, a TrackView laid out for a given client size, and pixel
// helpers (rows of a column in a colour, whole scan lines as colour runs).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "state/app_state.h"
#include "state/track_sizing.h"
#include "view/peaks.h"
#include "view/track_view.h"
#include "view/view_constants.h"
#include "view/window_surface.h"

namespace viewtest {

using state::Rect;

class RecordingSurface : public view::WindowSurface {
 public:
  std::vector<Rect> invalidated;
  int updates = 0;
  std::vector<std::array<int, 3>> cursorLines;  // x, top, bottom
  view::Image window;                           // what was drawn live on the window, 0x00F0F0 on 0

  // Invalidating repaints from the image, which removes the live drawing there.
  void invalidate(const Rect& area) override {
    invalidated.push_back(area);
    window.fill(area, 0);
  }
  void updateWindow() override { ++updates; }
  void drawCursorLine(int x, int top, int bottom) override {
    cursorLines.push_back({x, top, bottom});
  }
  void drawLiveLine(int x, int top, int bottom) override {
    for (int y = top; y < bottom; ++y) window.setPixel(x, y, view::COLOUR_WAVE);
  }
  void drawLivePoint(int x, int y) override { window.setPixel(x, y, view::COLOUR_WAVE); }
};

// The row a sample value is drawn at in a pane h rows high: (h - 2) / 32767 / 2
// rows per unit above the centre, rounded to the nearest row.
inline int expectedRow(int centre, int value, int paneHeight) {
  const double scale = (paneHeight - 2) / 32767.0 * 0.5;
  return centre - static_cast<int>(std::floor(value * scale + 0.5));
}

inline view::Image copyOf(const view::Image& img) {
  view::Image copy;
  copy.create(img.width(), img.height());
  copy.copyIn(img, 0, 0);
  return copy;
}

// The rows of column x within [top, bottom) painted in `colour`.
inline std::vector<int> rowsOf(const view::Image& img, int x, int top, int bottom,
                               std::uint32_t colour) {
  std::vector<int> rows;
  for (int y = top; y < bottom; ++y)
    if (img.pixel(x, y) == colour) rows.push_back(y);
  return rows;
}

inline std::vector<int> range(int first, int last) {
  std::vector<int> r;
  for (int y = first; y <= last; ++y) r.push_back(y);
  return r;
}

// A scan line of n pixels from (x, y), rightwards or downwards, and the one
// expected, written as (colour, length) pairs.
inline std::vector<std::uint32_t> scan(const view::Image& img, int x, int y, int n, bool down) {
  std::vector<std::uint32_t> out;
  for (int i = 0; i < n; ++i) out.push_back(down ? img.pixel(x, y + i) : img.pixel(x + i, y));
  return out;
}
inline std::vector<std::uint32_t> runs(std::initializer_list<std::uint32_t> pairs) {
  std::vector<std::uint32_t> out;
  for (auto it = pairs.begin(); it != pairs.end(); it += 2) out.insert(out.end(), it[1], it[0]);
  return out;
}

// A stereo track: `left` and, as the second channel, `left` scaled by `gain`.
inline std::vector<std::int16_t> withScaledCopy(const std::vector<std::int16_t>& left,
                                                double gain) {
  std::vector<std::int16_t> out;
  for (std::int16_t s : left) out.insert(out.end(), {s, static_cast<std::int16_t>(s * gain)});
  return out;
}

class ViewTest : public ::testing::Test {
 protected:
  state::AppState app;
  view::TrackView tv;
  RecordingSurface surface;

  // The default client gives panes of 300 columns (17..316), 143 rows high.
  void layOut(int clientWidth = 334, int clientHeight = 384) {
    ASSERT_TRUE(view::layoutWindow(tv, app, clientWidth, clientHeight, clientWidth + 16,
                                   clientHeight + 59));
    app.initialPaneWidth = tv.geometry.paneWidth();
    surface.window.create(clientWidth, clientHeight);
  }

  // Places interleaved samples in the state as the loaders do, zoomed to fit.
  void placeTrack(const std::vector<std::int16_t>& interleaved, std::uint32_t channels,
                  bool withPeaks) {
    const auto frames = static_cast<std::uint32_t>(interleaved.size() / channels);
    app.samples.reset(new std::int16_t[interleaved.size()]);
    std::copy(interleaved.begin(), interleaved.end(), app.samples.get());
    app.frameCount = frames;
    app.channels = channels;
    app.stereo = channels == 2;
    app.peaks.reset();
    app.framesPerPeak = 1;
    if (withPeaks) {
      state::PeakArray pa = state::sizePeakArray(frames, channels, app.initialPaneWidth, true);
      if (pa.peaks) {
        app.peaks = std::move(pa.peaks);
        app.framesPerPeak = pa.framesPerPeak;
        view::computePeaks(app.peaks.get(), app.samples.get(), frames, channels, app.framesPerPeak);
      }
    }
    app.fitFramesPerPixel = app.framesPerPixel = state::fitZoom(frames, tv.geometry.paneWidth());
    app.scrollPos = 0;
  }

  int paneHeight() const { return tv.geometry.paneA.height(); }
  int centreA() const { return tv.geometry.paneA.top + paneHeight() / 2; }
  int centreB() const { return tv.geometry.paneB.top + paneHeight() / 2; }
};

}  // namespace viewtest
