// Column and frame mapping at a power-of-two zoom and at the fit zoom, and the
// hit test over the panes and the gap between them.
#include <gtest/gtest.h>

#include <utility>

#include "view/column_mapping.h"
#include "view_fixture.h"

namespace {

using namespace view;

class ColumnMappingTest : public viewtest::ViewTest {
 protected:
  void SetUp() override { layOut(); }  // columns 17..316
  Rect pane() const { return tv.geometry.paneA; }
};

TEST_F(ColumnMappingTest, PowerOfTwoZoomRoundsToTheNearestColumnAndMapsColumnsBackOntoThemselves) {
  app.frameCount = 100000;
  app.fitFramesPerPixel = 512;
  app.framesPerPixel = 4;
  app.scrollPos = 10;  // the view starts at frame 40
  // A quarter column rounds down, half a column up; the last frame in view maps
  // to the column right of the pane and one more is after the view.
  const std::pair<std::uint64_t, int> frames[] = {
      {39, COLUMN_BEFORE_VIEW}, {40, 17}, {41, 17}, {42, 18}, {45, 18}, {46, 19}, {1240, 317},
      {1241, COLUMN_AFTER_VIEW}};
  for (auto [frame, column] : frames) EXPECT_EQ(frameToColumn(app, pane(), frame), column) << frame;
  EXPECT_EQ(columnToFrame(app, pane(), 18), 44u);
  for (int x = 17; x < 317; ++x)
    EXPECT_EQ(frameToColumn(app, pane(), columnToFrame(app, pane(), x)), x);
}

TEST_F(ColumnMappingTest, FitZoomScalesTheWholeTrackAndNoTrackMapsEverythingAfterTheView) {
  EXPECT_EQ(frameToColumn(app, pane(), 0), COLUMN_AFTER_VIEW);  // no division by zero
  EXPECT_EQ(columnToFrame(app, pane(), 100), 0u);

  app.frameCount = 1000;  // 3.33 frames per column
  app.fitFramesPerPixel = app.framesPerPixel = 4;
  for (int scroll : {0, 7}) {  // columns ignore the scroll position at the fit zoom
    app.scrollPos = scroll;
    EXPECT_EQ(columnToFrame(app, pane(), 17), 0u);
    EXPECT_EQ(columnToFrame(app, pane(), 18), 3u);
    EXPECT_EQ(columnToFrame(app, pane(), 20), 10u);
    EXPECT_EQ(columnToFrame(app, pane(), 316), 996u);
  }
  app.scrollPos = 0;
  EXPECT_EQ(frameToColumn(app, pane(), 4), 17 + 1);  // 1.2 rounds down
  EXPECT_EQ(frameToColumn(app, pane(), 5), 17 + 2);  // 1.5 rounds up
  EXPECT_EQ(frameToColumn(app, pane(), 1000), 317);
  EXPECT_EQ(frameToColumn(app, pane(), 1001), COLUMN_AFTER_VIEW);
}

TEST_F(ColumnMappingTest, HitTestCoversPanesButNotTheGapNorFramesPastTheTrack) {
  const Layout& g = tv.geometry;
  app.frameCount = 1000;
  app.fitFramesPerPixel = app.framesPerPixel = 4;
  struct Probe {
    int x, y;
    bool mono, stereo;
  };
  // Pane corners, left and right of the pane, above it, the gap between the
  // panes (both ends included), pane B's first and last rows, below it.
  const Probe probes[] = {{17, g.paneA.top, true, true},
                          {316, g.paneA.bottom - 1, true, true},
                          {16, 50, false, false},
                          {317, 50, false, false},
                          {100, g.paneA.top - 1, false, false},
                          {100, g.paneA.bottom, false, false},
                          {100, g.paneB.top, false, false},
                          {100, g.paneB.top + 1, false, true},
                          {100, g.paneB.bottom, false, true},
                          {100, g.paneB.bottom + 1, false, false}};
  for (const Probe& p : probes) {
    app.stereo = false;
    EXPECT_EQ(hitTest(app, g, p.x, p.y), p.mono) << p.x << "," << p.y;
    app.stereo = true;
    EXPECT_EQ(hitTest(app, g, p.x, p.y), p.stereo) << p.x << "," << p.y << " stereo";
  }
  // Zoomed in near the end: column 17 + 100 shows frame 1000, the last that hits.
  app.framesPerPixel = 2;
  app.scrollPos = 400;
  EXPECT_TRUE(hitTest(app, g, 117, 50));
  EXPECT_FALSE(hitTest(app, g, 118, 50));
}

}  // namespace
