// Scrolling, zoom and mouse selection through the main window's events, with
// the highlight checked in the off-screen image's pixels.
#include <gtest/gtest.h>

#include "app/app_constants.h"
#include "app/zoom.h"
#include "app_harness.h"
#include "view/column_mapping.h"

namespace {

using app::ScrollRequest;
using state::TransportMode;

class Navigation : public ::testing::Test {
 protected:
  apptest::Harness h;  // 800 x 400: pane A is 766 columns wide
  void SetUp() override {
    h.loadTrack(400000);
    h.app.blockFrames = 2048;
  }
  int left() { return h.paneA().left; }
  int right() { return h.paneA().right; }
  int midY() { return (h.paneA().top + h.paneA().bottom) / 2; }
  std::uint64_t firstFrame() {
    return static_cast<std::uint64_t>(h.app.scrollPos) * h.app.framesPerPixel;
  }
  void zoomIn(int steps) {
    for (int i = 0; i < steps; ++i) h.window.onCommand(view::ID_ZOOM_IN);
  }
  // A drag from column a over each of `xs`, released at the last one.
  void drag(int a, std::initializer_list<int> xs) {
    ASSERT_TRUE(h.window.onLeftButtonDown(a, midY()));
    h.window.onDragDetected();
    int last = a;
    for (int x : xs) {
      h.window.onMouseMove(x, midY());
      last = x;
    }
    h.window.onLeftButtonUp(last, midY());
  }
};

TEST_F(Navigation, ZoomInThenOutReturnsToTheSameFirstFrame) {
  const int w = h.paneWidth();
  zoomIn(3);
  EXPECT_EQ(h.app.framesPerPixel, h.app.fitFramesPerPixel / 8);
  EXPECT_EQ(h.app.scrollMax, static_cast<int>(400000 / h.app.framesPerPixel) - w / 2);
  EXPECT_EQ(h.app.scrollPage, w / 8);
  EXPECT_EQ(h.shell.scrollMax, h.app.scrollMax);
  h.window.onHScroll(ScrollRequest::ThumbTrack, w / 4 + 37);
  const std::uint64_t first = firstFrame();
  const std::uint64_t centre = first + w / 2 * h.app.framesPerPixel;

  h.window.onCommand(view::ID_ZOOM_IN);
  // The centre of the view stays where it was.
  EXPECT_EQ(firstFrame() + w / 2 * h.app.framesPerPixel, centre);
  h.window.onCommand(view::ID_ZOOM_OUT);
  EXPECT_EQ(firstFrame(), first);
  EXPECT_EQ(h.shell.scrollPos, h.app.scrollPos);
  EXPECT_EQ(h.waits.back(), std::chrono::milliseconds(app::BUTTON_SETTLE_MS));
  EXPECT_TRUE(h.shell.violations.empty());
}

TEST_F(Navigation, ZoomStopsAtTheFitZoomAtOneFramePerColumnAndWhileTheViewIsHeld) {
  {
    apptest::ViewHeld held(h.app.viewMutex);
    h.window.onCommand(view::ID_ZOOM_IN);
  }
  EXPECT_EQ(h.app.framesPerPixel, h.app.fitFramesPerPixel);
  EXPECT_EQ(h.shell.focusedButton, view::ID_ZOOM_IN);

  h.shell.clearRecords();
  h.window.onCommand(view::ID_ZOOM_OUT);
  EXPECT_EQ(h.app.framesPerPixel, h.app.fitFramesPerPixel);
  EXPECT_TRUE(h.shell.invalidated.empty());
  EXPECT_EQ(h.shell.focusedButton, view::ID_ZOOM_OUT);

  while (h.app.framesPerPixel > 1) h.window.onCommand(view::ID_ZOOM_IN);
  const int pos = h.app.scrollPos;
  h.shell.clearRecords();
  h.window.onCommand(view::ID_ZOOM_IN);
  EXPECT_EQ(h.app.framesPerPixel, 1u);
  EXPECT_EQ(h.app.scrollPos, pos);
  EXPECT_TRUE(h.shell.invalidated.empty());
}

TEST_F(Navigation, ArrowsAndPagesScrollWithinTheRangeButNotWhilePlaying) {
  zoomIn(2);
  h.app.mode = TransportMode::Playing;
  h.window.onHScroll(ScrollRequest::LineRight, 0);
  EXPECT_EQ(h.app.scrollPos, 0);
  EXPECT_FALSE(h.shell.scrollBarFocused);
  h.app.mode = TransportMode::Idle;

  h.window.onHScroll(ScrollRequest::LineRight, 0);
  EXPECT_EQ(h.app.scrollPos, 8);
  EXPECT_TRUE(h.shell.scrollBarFocused);
  h.window.onHScroll(ScrollRequest::PageRight, 0);
  EXPECT_EQ(h.app.scrollPos, 8 + h.app.scrollPage);
  h.window.onHScroll(ScrollRequest::ThumbTrack, 1 << 30);
  EXPECT_EQ(h.app.scrollPos, h.app.scrollMax);
  h.window.onHScroll(ScrollRequest::LineRight, 0);
  EXPECT_EQ(h.app.scrollPos, h.app.scrollMax);
  h.window.onHScroll(ScrollRequest::ThumbTrack, 3);
  h.window.onHScroll(ScrollRequest::LineLeft, 0);
  EXPECT_EQ(h.app.scrollPos, 0);
  EXPECT_EQ(h.shell.scrollPos, 0);
  // The view shows what the position says: the first column is frame 0 again.
  EXPECT_EQ(view::columnToFrame(h.app, h.paneA(), left()), 0u);
}

TEST_F(Navigation, DragHighlightsExactlyTheDraggedColumnsAndBackToTheAnchorClears) {
  const int a = left() + 100;
  ASSERT_TRUE(h.window.onLeftButtonDown(a, midY()));
  h.window.onDragDetected();
  h.window.onMouseMove(a + 40, midY());
  EXPECT_TRUE(h.app.selActive);
  EXPECT_EQ(h.selectedColumns(), 41);
  h.window.onMouseMove(a - 10, midY());  // across the anchor
  EXPECT_EQ(h.selectedColumns(), 11);
  EXPECT_TRUE(h.columnSelected(a - 10) && h.columnSelected(a) && !h.columnSelected(a + 1));
  h.window.onMouseMove(a, midY());
  EXPECT_FALSE(h.app.selActive);
  EXPECT_EQ(h.selectedColumns(), 0);
  h.window.onLeftButtonUp(a, midY());
  EXPECT_FALSE(h.app.selActive);
}

TEST_F(Navigation, AClickWithoutDragMakesNoSelectionButRemovesTheOldOne) {
  drag(left() + 10, {left() + 300});
  ASSERT_TRUE(h.app.selActive);
  // A click outside the panes still drops the selection.
  EXPECT_FALSE(h.window.onLeftButtonDown(2, 2));
  EXPECT_FALSE(h.app.selActive);
  EXPECT_EQ(h.selectedColumns(), 0);
  ASSERT_TRUE(h.window.onLeftButtonDown(left() + 50, midY()));
  h.window.onLeftButtonUp(left() + 50, midY());
  EXPECT_FALSE(h.app.selActive);
}

TEST_F(Navigation, ShortSelectionGrowsToOneBlockNearTheEndMovesLeftAndCoversAShortTrack) {
  // At the fit zoom a column is about 522 frames: two columns are under a block.
  drag(left() + 100, {left() + 102});
  ASSERT_TRUE(h.app.selActive);
  EXPECT_EQ(h.app.selEnd - h.app.selStart, 2048u);
  EXPECT_EQ(h.app.selStart, view::columnToFrame(h.app, h.paneA(), left() + 100));
  const int cols = h.selectedColumns();
  EXPECT_EQ(cols, h.view().selEndCol - h.view().selStartCol + 1);
  EXPECT_GE(cols, 4);
  EXPECT_EQ(h.app.dragCurX, h.view().selEndCol);
  EXPECT_TRUE(h.shell.scrollBarFocused);

  // Near the track's end the block ends at the end.
  const int last = right() - 1;
  drag(last, {last - 1});
  ASSERT_TRUE(h.app.selActive);
  EXPECT_EQ(h.app.selEnd, 400000u);
  EXPECT_EQ(h.app.selStart, 400000u - 2048u);

  // A track shorter than one block is selected whole.
  h.app.selActive = false;
  h.loadTrack(600);
  drag(left() + 5, {left() + 9});
  EXPECT_EQ(h.app.selStart, 0u);
  EXPECT_EQ(h.app.selEnd, 600u);
}

TEST_F(Navigation, DraggingPastAnEdgeScrollsOneColumnPerMove) {
  zoomIn(3);
  h.window.onHScroll(ScrollRequest::ThumbTrack, 500);
  const int a = left() + 200;
  const std::uint64_t anchorFrame = view::columnToFrame(h.app, h.paneA(), a);
  ASSERT_TRUE(h.window.onLeftButtonDown(a, midY()));
  h.window.onDragDetected();
  h.window.onMouseMove(right() - 5, midY());
  for (int i = 1; i <= 3; ++i) {
    h.window.onMouseMove(right() + 5, midY());
    EXPECT_EQ(h.app.scrollPos, 500 + i);
    EXPECT_EQ(h.app.dragAnchorX, a - i);
  }
  EXPECT_EQ(h.app.selStart, anchorFrame);
  // The anchor keeps its frame while the view moves under it.
  EXPECT_EQ(view::columnToFrame(h.app, h.paneA(), h.app.dragAnchorX), anchorFrame);
  h.window.onLeftButtonUp(right() + 5, midY());
  EXPECT_TRUE(h.app.selActive);
  EXPECT_GT(h.app.selEnd, h.app.selStart + 2048);

  // Leftwards past the left edge.
  const int pos = h.app.scrollPos;
  drag(left() + 30, {left() + 5, left() - 8, left() - 8});
  EXPECT_EQ(h.app.scrollPos, pos - 2);
}

// A column a step, the highlight and the view left alone: the Qt test of the
// scroll bar; here the least selection the arrows leave.
TEST_F(Navigation, ScrollBarArrowsMoveTheSelectionEndButNeverBelowOneBlock) {
  zoomIn(2);  // 4 frames... about 130 frames a column
  drag(left() + 50, {left() + 52});
  ASSERT_TRUE(h.app.selActive);
  const std::uint32_t start = h.app.selStart;
  for (int i = 0; i < 30; ++i) h.window.onHScroll(ScrollRequest::LineLeft, 0);
  EXPECT_GE(h.app.selEnd - h.app.selStart, 2048u);
  EXPECT_LT(h.app.selEnd - h.app.selStart, 2048u + h.app.framesPerPixel);
  EXPECT_EQ(h.app.selStart, start);
}

TEST_F(Navigation, RightArrowAtThePanesLastColumnScrollsTheView) {
  zoomIn(3);
  drag(right() - 30, {right() - 1});
  ASSERT_TRUE(h.app.selActive);
  // Walk the end to the last column, then one more scrolls.
  for (int i = 0; i < 40 && h.app.scrollPos == 0; ++i)
    h.window.onHScroll(ScrollRequest::LineRight, 0);
  EXPECT_EQ(h.app.scrollPos, 1);
  EXPECT_EQ(h.app.selEnd, view::columnToFrame(h.app, h.paneA(), right() - 1));
}

}  // namespace
