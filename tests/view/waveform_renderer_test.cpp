// Rendering the track pixel by pixel: one frame per column with its joins,
// bars at the fit zoom, bars from the peak array against bars from the samples.
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

// The rows of column x within [top, bottom) painted in `colour`.
std::vector<int> rowsOf(const Image& img, int x, int top, int bottom, std::uint32_t colour) {
  std::vector<int> rows;
  for (int y = top; y < bottom; ++y)
    if (img.pixel(x, y) == colour) rows.push_back(y);
  return rows;
}

std::vector<int> range(int first, int last) {
  std::vector<int> r;
  for (int y = first; y <= last; ++y) r.push_back(y);
  return r;
}

class RendererTest : public viewtest::ViewTest {
 protected:
  void SetUp() override { layOut(viewtest::clientWidthFor(300), 384); }
  int h() const { return tv.geometry.paneA.height(); }
  void render() {
    paintBackgrounds(tv, app, app.stereo);
    renderTrack(tv, app);
  }
  // The sample value drawn `rows` rows above the centre.
  int valueForRows(int rows) const {
    return static_cast<int>(std::lround(rows / ((h() - 2) / 32767.0 * 0.5)));
  }
};

TEST_F(RendererTest, OneFramePerColumnJoinsRisingAndFallingStepsBetweenColumns) {
  // Rows: centre, 5 up (odd step), centre, 4 up (even step), centre.
  const std::vector<std::int16_t> track = {0, static_cast<std::int16_t>(valueForRows(5)), 0,
                                           static_cast<std::int16_t>(valueForRows(4)), 0};
  placeTrack(track, 1, false);
  ASSERT_EQ(app.framesPerPixel, 1u);
  render();
  const int c = centreA();
  const Rect& p = tv.geometry.paneA;
  auto wave = [&](int col) { return rowsOf(tv.image, p.left + col, p.top, p.bottom, COLOUR_WAVE); };
  // Rising by 5: the upper three rows go to the right column, the lower three to the left.
  EXPECT_EQ(wave(0), range(c - 3, c));
  // Then falling by 5: upper three stay in this column, lower three go right.
  EXPECT_EQ(wave(1), range(c - 5, c - 3));
  // Column 2 gets the lower half of that fall and the lower half of a rise by 4.
  EXPECT_EQ(wave(2), range(c - 3, c));
  EXPECT_EQ(wave(3), range(c - 4, c - 3));
  EXPECT_EQ(wave(4), range(c - 2, c));
  // The rest of the pane shows the black centre line only.
  EXPECT_TRUE(wave(5).empty());
  EXPECT_EQ(tv.image.pixel(p.left + 5, c), COLOUR_BLACK);
  EXPECT_EQ(tv.image.pixel(p.right - 1, c), COLOUR_BLACK);
  EXPECT_EQ(tv.image.pixel(p.left + 5, c - 1), COLOUR_PANE);
}

TEST_F(RendererTest, SineAtOneFramePerColumnHitsEveryRowAndLeavesNoGaps) {
  const auto sine = testsignals::sine(1102.5, 300, 30000.0);  // 40 frames a period
  std::vector<std::int16_t> stereo;
  for (std::size_t i = 0; i < sine.size(); ++i) {
    stereo.push_back(sine[i]);
    stereo.push_back(static_cast<std::int16_t>(-sine[i] / 2));
  }
  placeTrack(stereo, 2, false);
  app.selActive = true;
  app.selStart = 100;
  app.selEnd = 150;
  render();
  ASSERT_TRUE(tv.selShown);
  EXPECT_EQ(tv.selStartCol, 117);
  EXPECT_EQ(tv.selEndCol, 167);

  const Rect panes[2] = {tv.geometry.paneA, tv.geometry.paneB};
  const int centres[2] = {centreA(), centreB()};
  for (int ch = 0; ch < 2; ++ch) {
    int previous = 0;
    for (int i = 0; i < 300; ++i) {
      const int x = panes[ch].left + i;
      const bool selected = x >= 117 && x <= 167;
      const std::uint32_t colour = selected ? COLOUR_WAVE_SELECTED : COLOUR_WAVE;
      const std::uint32_t other = selected ? COLOUR_WAVE : COLOUR_WAVE_SELECTED;
      const int value = stereo[2 * i + ch];
      const int row = expectedRow(centres[ch], value, h());
      ASSERT_EQ(tv.image.pixel(x, row), colour) << "channel " << ch << " frame " << i;
      const std::vector<int> rows = rowsOf(tv.image, x, panes[ch].top, panes[ch].bottom, colour);
      ASSERT_TRUE(rowsOf(tv.image, x, panes[ch].top, panes[ch].bottom, other).empty());
      // One unbroken run per column, reaching from this frame's row toward both neighbours.
      ASSERT_EQ(rows.back() - rows.front() + 1, static_cast<int>(rows.size())) << i;
      if (i > 0) {
        // Together with the previous column the run covers every row between the two points.
        const std::vector<int> before =
            rowsOf(tv.image, x - 1, panes[ch].top, panes[ch].bottom,
                   x - 1 >= 117 && x - 1 <= 167 ? COLOUR_WAVE_SELECTED : COLOUR_WAVE);
        for (int y = std::min(previous, row); y <= std::max(previous, row); ++y)
          ASSERT_TRUE(std::count(rows.begin(), rows.end(), y) ||
                      std::count(before.begin(), before.end(), y))
              << "gap at frame " << i << " row " << y;
      }
      previous = row;
    }
  }
}

// The frames of each bar column as the description goes: floor(f) for the
// first, then floor(f) plus one whenever the running fraction reaches one.
std::vector<std::uint64_t> describedColumns(std::uint64_t n, double f) {
  std::vector<std::uint64_t> cols;
  const double whole = std::floor(f);
  double acc = 0.0;
  std::uint64_t left = n;
  for (bool first = true;; first = false) {
    std::uint64_t count = static_cast<std::uint64_t>(whole);
    if (!first) {
      acc += f - whole;
      if (acc >= 1.0 - 1e-9) {
        acc -= 1.0;
        ++count;
      }
    }
    if (left < count) count = left;
    if (count == 0) break;
    cols.push_back(count);
    left -= count;
  }
  return cols;
}

TEST_F(RendererTest, BarsAtTheFitZoomDealThousandFramesOverThreeHundredColumns) {
  std::vector<std::int16_t> track(1000);
  for (int i = 0; i < 1000; ++i)
    track[i] = static_cast<std::int16_t>((i % 2 ? 1 : -1) * (500 + (i * 7919) % 25000));
  placeTrack(track, 1, false);
  ASSERT_EQ(app.framesPerPixel, 4u);  // fits at 4, shown scaled at 3.33
  render();

  const std::vector<std::uint64_t> cols = describedColumns(1000, 1000.0 / 300.0);
  ColumnFrames dealt(1000, 3, 100, 300);
  std::uint64_t total = 0;
  for (std::size_t c = 0; c < cols.size(); ++c) {
    bool last = false;
    ASSERT_EQ(dealt.next(last), cols[c]) << "column " << c;
    total += cols[c];
    if (c + 1 < cols.size()) {
      EXPECT_TRUE(cols[c] == 3 || cols[c] == 4) << c;
    } else {
      EXPECT_TRUE(last);
    }
  }
  bool last = false;
  EXPECT_EQ(dealt.next(last), 0u);
  EXPECT_EQ(total, 1000u);
  ASSERT_GE(cols.size(), 300u);

  const Rect& p = tv.geometry.paneA;
  const int c = centreA();
  std::uint64_t first = 0;
  for (int col = 0; col < 299; ++col) {
    int max = 0, min = 0;
    for (std::uint64_t f = first; f < first + cols[col]; ++f) {
      max = std::max<int>(max, track[f]);
      min = std::min<int>(min, track[f]);
    }
    first += cols[col];
    const int top = expectedRow(c, max, h());
    const int bottom = expectedRow(c, min, h()) - 1;
    ASSERT_EQ(rowsOf(tv.image, p.left + col, p.top, p.bottom, COLOUR_WAVE), range(top, bottom))
        << "column " << col;
  }
  // The pane's last column keeps its background and centre line.
  EXPECT_TRUE(rowsOf(tv.image, p.right - 1, p.top, p.bottom, COLOUR_WAVE).empty());
  EXPECT_EQ(tv.image.pixel(p.right - 1, c), COLOUR_BLACK);
  // The inner box's outline right of the pane is untouched.
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
  const int c = centreA();
  const int x = p.left + 5;  // frames 40..47 are silent
  EXPECT_EQ(tv.image.pixel(x, c), COLOUR_WAVE);
  // The bar after the point exits at its last sample's row (+20000): the join
  // from the centre climbs through this column and the next one.
  const int exitRow = expectedRow(c, 20000, h());
  const std::vector<int> here = rowsOf(tv.image, x, p.top, p.bottom, COLOUR_WAVE);
  const std::vector<int> next = rowsOf(tv.image, x + 1, p.top, p.bottom, COLOUR_WAVE);
  for (int y = exitRow; y <= c; ++y)
    EXPECT_TRUE(std::count(here.begin(), here.end(), y) || std::count(next.begin(), next.end(), y))
        << y;
}

TEST_F(RendererTest, BarsFromThePeakArrayEqualBarsFromTheSamples) {
  for (std::uint32_t channels : {1u, 2u}) {
    const std::uint32_t frames = 200003;  // not a whole number of peak groups
    auto noise = testsignals::whiteNoise(static_cast<std::int64_t>(frames) * channels, 30000.0);
    for (std::size_t i = 0; i < noise.size(); ++i)
      if ((i / channels / 3000) % 5 == 2) noise[i] = static_cast<std::int16_t>(i % 7 == 0 ? 40 : 0);
    placeTrack(noise, channels, true);
    ASSERT_TRUE(app.peaks);
    ASSERT_EQ(app.framesPerPeak, 64u);
    std::unique_ptr<std::int16_t[]> peaks = std::move(app.peaks);

    for (std::uint32_t zoom : {64u, 256u, 1024u}) {
      const std::int32_t last = static_cast<std::int32_t>(frames / zoom) - 150;
      for (std::int32_t scroll : {0, 123, last}) {
        app.framesPerPixel = zoom;
        app.scrollPos = scroll;
        app.peaks = std::move(peaks);
        render();
        Image withPeaks;
        ASSERT_TRUE(withPeaks.create(tv.image.width(), tv.image.height()));
        withPeaks.copyIn(tv.image, 0, 0);
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
    EXPECT_EQ(tv.image.pixel(tv.geometry.paneA.left, expectedRow(centreA(), 32767, h())),
              COLOUR_WAVE);
  }
}

TEST_F(RendererTest, NothingIsDrawnWithoutATrackAndOnlyTheCentreLineBeyondItsEnd) {
  render();
  EXPECT_EQ(tv.image.pixel(100, centreA()), COLOUR_PANE);
  placeTrack(std::vector<std::int16_t>(5000, 12000), 1, false);
  app.fitFramesPerPixel = 32;
  app.framesPerPixel = 4;
  app.scrollPos = 2000;  // frame 8000, past the end
  render();
  const Rect& p = tv.geometry.paneA;
  for (int x = p.left; x < p.right; ++x) {
    ASSERT_EQ(tv.image.pixel(x, centreA()), COLOUR_BLACK);
    ASSERT_TRUE(rowsOf(tv.image, x, p.top, p.bottom, COLOUR_WAVE).empty());
  }
}

}  // namespace
