// Column and frame mapping at a power-of-two zoom and at the fit zoom, and the
// hit test over the panes and the gap between them.
#include <gtest/gtest.h>

#include "view/column_mapping.h"
#include "view_fixture.h"

namespace {

using namespace view;

class ColumnMappingTest : public viewtest::ViewTest {
 protected:
  void SetUp() override { layOut(viewtest::clientWidthFor(300), 384); }
  Rect pane() const { return tv.geometry.paneA; }
};

TEST_F(ColumnMappingTest, FrameToColumnAtAPowerOfTwoZoomRoundsAndReportsBeforeAndAfter) {
  app.frameCount = 100000;
  app.fitFramesPerPixel = 512;
  app.framesPerPixel = 4;
  app.scrollPos = 10;  // the view starts at frame 40
  EXPECT_EQ(frameToColumn(app, pane(), 39), COLUMN_BEFORE_VIEW);
  EXPECT_EQ(frameToColumn(app, pane(), 40), 17);
  EXPECT_EQ(frameToColumn(app, pane(), 41), 17);  // a quarter column rounds down
  EXPECT_EQ(frameToColumn(app, pane(), 42), 18);  // half a column rounds up
  EXPECT_EQ(frameToColumn(app, pane(), 45), 18);
  EXPECT_EQ(frameToColumn(app, pane(), 46), 19);
  // The last frame in view maps to the column right of the pane; one more is after the view.
  EXPECT_EQ(frameToColumn(app, pane(), 40 + 1200), 317);
  EXPECT_EQ(frameToColumn(app, pane(), 40 + 1201), COLUMN_AFTER_VIEW);

  EXPECT_EQ(columnToFrame(app, pane(), 17), 40u);
  EXPECT_EQ(columnToFrame(app, pane(), 18), 44u);
  EXPECT_EQ(columnToFrame(app, pane(), 316), 1236u);
  // Every column maps back onto itself.
  for (int x = 17; x < 317; ++x)
    EXPECT_EQ(frameToColumn(app, pane(), columnToFrame(app, pane(), x)), x);
}

TEST_F(ColumnMappingTest, FitZoomScalesTheWholeTrackAndIgnoresTheScrollPosition) {
  app.frameCount = 1000;
  app.fitFramesPerPixel = app.framesPerPixel = 4;
  for (int scroll : {0, 7}) {
    app.scrollPos = scroll;
    const int first = 4 * scroll;  // the first visible frame still counts the position
    EXPECT_EQ(columnToFrame(app, pane(), 17), 0u);
    EXPECT_EQ(columnToFrame(app, pane(), 18), 3u);   // 1000 / 300 = 3.33
    EXPECT_EQ(columnToFrame(app, pane(), 20), 10u);  // floor(10.0)
    EXPECT_EQ(columnToFrame(app, pane(), 316), 996u);
    if (scroll == 0) {
      EXPECT_EQ(frameToColumn(app, pane(), 5), 17 + 2);  // 1.5 rounds up
      EXPECT_EQ(frameToColumn(app, pane(), 4), 17 + 1);  // 1.2 rounds down
      EXPECT_EQ(frameToColumn(app, pane(), 1000), 317);
    } else {
      EXPECT_EQ(frameToColumn(app, pane(), first - 1), COLUMN_BEFORE_VIEW);
      EXPECT_EQ(frameToColumn(app, pane(), first + 1000), 317);
      EXPECT_EQ(frameToColumn(app, pane(), first + 1001), COLUMN_AFTER_VIEW);
    }
  }
}

TEST_F(ColumnMappingTest, NoTrackMapsEveryFrameAfterTheView) {
  EXPECT_EQ(frameToColumn(app, pane(), 0), COLUMN_AFTER_VIEW);
  EXPECT_EQ(columnToFrame(app, pane(), 100), 0u);
}

TEST_F(ColumnMappingTest, HitTestCoversPanesButNotTheGapNorFramesPastTheTrack) {
  const Layout& g = tv.geometry;
  app.frameCount = 1000;
  app.fitFramesPerPixel = app.framesPerPixel = 4;
  app.stereo = false;
  EXPECT_TRUE(hitTest(app, g, 17, g.paneA.top));
  EXPECT_TRUE(hitTest(app, g, 316, g.paneA.bottom - 1));
  EXPECT_FALSE(hitTest(app, g, 16, 50));
  EXPECT_FALSE(hitTest(app, g, 317, 50));
  EXPECT_FALSE(hitTest(app, g, 100, g.paneA.top - 1));
  EXPECT_FALSE(hitTest(app, g, 100, g.paneA.bottom));  // mono: nothing below pane A
  EXPECT_FALSE(hitTest(app, g, 100, g.paneB.top + 5));

  app.stereo = true;
  EXPECT_FALSE(hitTest(app, g, 100, g.paneA.bottom));  // the gap, both ends included
  EXPECT_FALSE(hitTest(app, g, 100, g.paneB.top));
  EXPECT_TRUE(hitTest(app, g, 100, g.paneB.top + 1));
  EXPECT_TRUE(hitTest(app, g, 100, g.paneB.bottom));  // the bottom row itself still hits
  EXPECT_FALSE(hitTest(app, g, 100, g.paneB.bottom + 1));

  // Zoomed in near the end: columns beyond the track's end miss.
  app.framesPerPixel = 2;
  app.scrollPos = 400;  // frames 800 onward: column 17 + 100 is frame 1000
  EXPECT_TRUE(hitTest(app, g, 117, 50));
  EXPECT_FALSE(hitTest(app, g, 118, 50));
}

}  // namespace
