// Rendering the track pixel by pixel: one frame per column with its joins,
// bars at the fit zoom, quiet columns as points, bars from the peak array
// against bars from the samples; and the peak routines and group layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "support/test_signals.h"
#include "view/pane_background.h"
#include "view/waveform_renderer.h"
#include "view_fixture.h"

namespace {

using namespace view;
using viewtest::expectedRow;
using viewtest::range;
using viewtest::rowsOf;

class RendererTest : public viewtest::ViewTest {
 protected:
  void SetUp() override { layOut(); }
  void render() {
    paintBackgrounds(tv, app, app.stereo);
    renderTrack(tv, app);
  }
  std::vector<int> wave(int x, const Rect& pane, std::uint32_t colour = COLOUR_WAVE) const {
    return rowsOf(tv.image, x, pane.top, pane.bottom, colour);
  }
};

TEST_F(RendererTest, OneFramePerColumnJoinsRisingAndFallingStepsBetweenColumns) {
  // Rows: centre, 5 up (odd step), centre, 4 up (even step), centre.
  const double rowsPerUnit = (paneHeight() - 2) / 32767.0 * 0.5;
  const auto up = [&](int rows) {
    return static_cast<std::int16_t>(std::lround(rows / rowsPerUnit));
  };
  placeTrack({0, up(5), 0, up(4), 0}, 1, false);
  ASSERT_EQ(app.framesPerPixel, 1u);
  render();
  const int c = centreA();
  const Rect& p = tv.geometry.paneA;
  // Rising by 5: the upper three rows go to the right column, the lower three
  // stay left; falling, the upper part stays left and the lower goes right.
  EXPECT_EQ(wave(p.left, p), range(c - 3, c));
  EXPECT_EQ(wave(p.left + 1, p), range(c - 5, c - 3));
  EXPECT_EQ(wave(p.left + 2, p), range(c - 3, c));  // lower halves of the fall and the rise by 4
  EXPECT_EQ(wave(p.left + 3, p), range(c - 4, c - 3));
  EXPECT_EQ(wave(p.left + 4, p), range(c - 2, c));
  // After the track the pane shows the black centre line only.
  EXPECT_TRUE(wave(p.left + 5, p).empty());
  EXPECT_EQ(tv.image.pixel(p.right - 1, c), COLOUR_BLACK);
  EXPECT_EQ(tv.image.pixel(p.left + 5, c - 1), COLOUR_PANE);
}

TEST_F(RendererTest, SineAtOneFramePerColumnHitsEveryRowAndLeavesNoGaps) {
  const auto sine = testsignals::sine(1102.5, 320, 30000.0);  // 40 frames a period
  const std::vector<std::int16_t> stereo = viewtest::withScaledCopy(sine, -0.5);
  placeTrack(stereo, 2, false);
  app.framesPerPixel = 1;  // zoomed in from the fit zoom: 20 frames lie beyond the pane
  render();
  const Rect panes[2] = {tv.geometry.paneA, tv.geometry.paneB};
  const int centres[2] = {centreA(), centreB()};
  for (int ch = 0; ch < 2; ++ch) {
    std::vector<int> before;
    int previous = 0;
    for (int i = 0; i < 300; ++i) {
      const int x = panes[ch].left + i;
      const int row = expectedRow(centres[ch], stereo[2 * i + ch], paneHeight());
      const std::vector<int> rows = wave(x, panes[ch]);
      // Each column is one unbroken run through its frame's row ...
      ASSERT_TRUE(std::count(rows.begin(), rows.end(), row)) << "channel " << ch << " frame " << i;
      ASSERT_EQ(rows.back() - rows.front() + 1, static_cast<int>(rows.size())) << i;
      // ... which with the previous column's covers every row between the two points.
      for (int y = std::min(previous, row); i > 0 && y <= std::max(previous, row); ++y)
        ASSERT_TRUE(std::count(rows.begin(), rows.end(), y) ||
                    std::count(before.begin(), before.end(), y))
            << "gap at frame " << i << " row " << y;
      before = rows;
      previous = row;
    }
    // Drawing stops at the pane's last column: the outline right of it stays.
    EXPECT_EQ(wave(panes[ch].right, panes[ch], COLOUR_BLACK),
              range(panes[ch].top, panes[ch].bottom - 1));
  }
}

TEST_F(RendererTest, BarsAtTheFitZoomDealThousandFramesOverThreeHundredColumns) {
  std::vector<std::int16_t> track(1000);
  for (int i = 0; i < 1000; ++i)
    track[i] = static_cast<std::int16_t>((i % 2 ? 1 : -1) * (500 + (i * 7919) % 25000));
  placeTrack(track, 1, false);
  ASSERT_EQ(app.framesPerPixel, 4u);  // fits at 4, shown scaled at 3.33
  render();

  // 3 frames a column and one more at every third column after the first.
  const auto framesOf = [](int column) { return column > 0 && column % 3 == 0 ? 4 : 3; };
  const Rect& p = tv.geometry.paneA;
  const int c = centreA();
  for (int col = 0, first = 0; col < 299; first += framesOf(col), ++col) {
    const auto [lo, hi] =
        std::minmax_element(track.begin() + first, track.begin() + first + framesOf(col));
    const int top = expectedRow(c, *hi, paneHeight()),
              bottom = expectedRow(c, *lo, paneHeight()) - 1;
    ASSERT_EQ(wave(p.left + col, p), range(top, bottom)) << "column " << col;
  }
  // The pane's last column keeps its background and centre line, and the
  // inner box's outline right of it is untouched.
  EXPECT_TRUE(wave(p.right - 1, p).empty());
  EXPECT_EQ(tv.image.pixel(p.right - 1, c), COLOUR_BLACK);
  EXPECT_EQ(tv.image.pixel(p.right, c - 5), COLOUR_BLACK);
}

TEST_F(RendererTest, AQuietColumnIsAPointOnTheCentreRowJoinedToItsNeighbours) {
  std::vector<std::int16_t> track(300 * 8, 0);
  for (int i = 0; i < 300 * 8; ++i)
    if (i < 40 || i >= 48) track[i] = static_cast<std::int16_t>(i % 2 ? 20000 : -20000);
  placeTrack(track, 1, false);
  ASSERT_EQ(app.framesPerPixel, 8u);
  render();
  const Rect& p = tv.geometry.paneA;
  const int x = p.left + 5, c = centreA();  // frames 40..47 are silent
  // The bars on either side leave at +20000 (their last samples); the point
  // column carries the half of each join that lies nearest the centre.
  const int exit = expectedRow(c, 20000, paneHeight());
  EXPECT_EQ(wave(x, p), range(exit + (c - exit) / 2, c));
}

TEST_F(RendererTest, BarsFromThePeakArrayEqualBarsFromTheSamples) {
  for (std::uint32_t channels : {1u, 2u}) {
    const std::uint32_t frames = 200003;  // not a whole number of peak groups
    auto noise = testsignals::whiteNoise(static_cast<std::int64_t>(frames) * channels, 30000.0);
    for (std::size_t i = 0; i < noise.size(); ++i)  // quiet stretches give points
      if ((i / channels / 3000) % 5 == 2) noise[i] = static_cast<std::int16_t>(i % 7 == 0 ? 40 : 0);
    placeTrack(noise, channels, true);
    ASSERT_TRUE(app.peaks);
    ASSERT_EQ(app.framesPerPeak, 64u);
    std::unique_ptr<std::int16_t[]> peaks = std::move(app.peaks);
    // 1024 is the fit zoom, whose columns start and end inside peak groups.
    ASSERT_EQ(app.fitFramesPerPixel, 1024u);

    for (std::uint32_t zoom : {64u, 256u, 1024u}) {
      const std::int32_t last = static_cast<std::int32_t>(frames / zoom) - 150;
      for (std::int32_t scroll : {0, 123, last}) {
        app.framesPerPixel = zoom;
        app.scrollPos = scroll;
        app.peaks = std::move(peaks);
        render();
        const Image withPeaks = viewtest::copyOf(tv.image);
        peaks = std::move(app.peaks);
        render();
        EXPECT_TRUE(withPeaks == tv.image)
            << channels << " channels, zoom " << zoom << ", position " << scroll;
      }
    }
    // The peak array really is what is drawn from: a changed group shows.
    app.framesPerPixel = 64;
    app.scrollPos = 0;
    peaks[0] = 32767;
    app.peaks = std::move(peaks);
    render();
    EXPECT_EQ(tv.image.pixel(tv.geometry.paneA.left, expectedRow(centreA(), 32767, paneHeight())),
              COLOUR_WAVE);
  }
}

TEST_F(RendererTest, NothingIsDrawnWithoutATrackAndOnlyTheCentreLineBeyondItsEnd) {
  paintBackgrounds(tv, app, false);
  Image expected = viewtest::copyOf(tv.image);
  renderTrack(tv, app);
  EXPECT_TRUE(tv.image == expected);
  placeTrack(std::vector<std::int16_t>(5000, 12000), 1, false);
  app.fitFramesPerPixel = 32;
  app.framesPerPixel = 4;
  app.scrollPos = 2000;  // frame 8000, past the end
  render();
  const Rect& p = tv.geometry.paneA;
  expected.fill({p.left, centreA(), p.right, centreA() + 1}, COLOUR_BLACK);
  EXPECT_TRUE(tv.image == expected);
}

TEST(PeakRoutines, MaximaAreNeverNegativeMinimaNeverPositiveAndGroupsKeepTheirLayout) {
  struct Case {
    std::vector<std::int16_t> samples;
    int max, min;
  };
  // An odd last sample counts too; fewer than two samples give nothing.
  const Case cases[] = {{{5, -3, 12, -40, 7}, 12, -40},
                        {{1, 2, 99}, 99, 0},
                        {{-3, -9, -32768, -1}, 0, -32768},
                        {{1234}, 0, 0}};
  for (const Case& c : cases) {
    const MonoPeak p = peakMono(c.samples.data(), static_cast<std::uint32_t>(c.samples.size()));
    EXPECT_EQ(p.max, c.max) << c.samples.size();
    EXPECT_EQ(p.min, c.min) << c.samples.size();
  }
  // Stereo groups of 2 frames: maximum 1, maximum 2, minimum 1, minimum 2; the
  // last group takes the one frame left. (Mono groups, maximum and minimum, are
  // read directly at 64 frames a column above.)
  const std::vector<std::int16_t> samples = {1, -1, 8, -8, -6, 6, 3, -3, 100, -100};
  std::vector<std::int16_t> peaks(3 * 4, 77);
  computePeaks(peaks.data(), samples.data(), 5, 2, 2);
  EXPECT_EQ(peaks, (std::vector<std::int16_t>{8, 0, 0, -8, 3, 6, -6, -3, 100, 0, 0, -100}));
}

}  // namespace
