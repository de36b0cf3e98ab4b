// Shared set-up for the track view's tests: an AppState with a track placed in
// it and a TrackView laid out for a given client size.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/state/app_state.h"
#include "app/state/track_sizing.h"
#include "recording_surface.h"
#include "view/peaks.h"
#include "view/track_view.h"
#include "view/view_constants.h"

namespace viewtest {

// Client width for a pane of `paneWidth` columns (17 pixels either side).
// The row a sample value is drawn at: the scale is (h - 2) / 32767 / 2 rows
// per unit for a pane h rows high, rounded to the nearest row above the centre.
inline int expectedRow(int centre, int value, int paneHeight) {
  const double scale = (paneHeight - 2) / 32767.0 * 0.5;
  return centre - static_cast<int>(std::floor(value * scale + 0.5));
}

inline int clientWidthFor(int paneWidth) {
  return paneWidth + 2 * view::PANE_INSET;
}

class ViewTest : public ::testing::Test {
 protected:
  state::AppState app;
  view::TrackView tv;
  RecordingSurface surface;

  void layOut(int clientWidth, int clientHeight) {
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
    std::memcpy(app.samples.get(), interleaved.data(), interleaved.size() * sizeof(std::int16_t));
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

  int centreA() const { return tv.geometry.paneA.top + tv.geometry.paneA.height() / 2; }
  int centreB() const { return tv.geometry.paneB.top + tv.geometry.paneA.height() / 2; }
};

}  // namespace viewtest
