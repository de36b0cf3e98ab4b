#include "app/selection.h"

#include <algorithm>

#include "app/scrolling.h"
#include "view/column_mapping.h"
#include "view/highlight.h"
#include "view/pane_background.h"

namespace app {

namespace {

std::uint64_t frameAt(AppContext& ctx, int x) {
  return view::columnToFrame(ctx.app, ctx.paneA(), x);
}

// The columns a drag from the anchor to column `c` highlights; none when the
// drag is back at its anchor.
bool highlighted(int anchor, int c, int column) {
  if (c == anchor) return false;
  return column >= std::min(anchor, c) && column <= std::max(anchor, c);
}

// Repaints only the columns whose highlight changes when the drag's current
// column moves from `from` to `to`, in runs of equal change.
void rehighlight(AppContext& ctx, int anchor, int from, int to) {
  const int lo = std::min({anchor, from, to});
  const int hi = std::max({anchor, from, to});
  int runStart = 0;
  int runState = 0;  // 0 unchanged, 1 switched on, -1 switched off
  for (int c = lo; c <= hi + 1; ++c) {
    int change = 0;
    if (c <= hi) {
      const bool before = highlighted(anchor, from, c);
      const bool after = highlighted(anchor, to, c);
      change = before == after ? 0 : (after ? 1 : -1);
    }
    if (change != runState) {
      if (runState != 0)
        view::highlightColumns(ctx.view, ctx.app, ctx.shell, runStart, c - 1, runState > 0);
      runStart = c;
      runState = change;
    }
  }
}

}  // namespace

void beginSelection(AppContext& ctx, int x) {
  ctx.app.dragAnchorX = x;
  ctx.app.dragCurX = x;
}

void extendSelection(AppContext& ctx, int x) {
  state::AppState& app = ctx.app;
  const view::Rect& pane = ctx.paneA();
  const bool pastLeft = x < pane.left;
  const bool pastRight = x >= pane.right;
  x = std::clamp(x, pane.left, pane.right - 1);
  const bool zoomed = !view::atFitZoom(app);

  if (pastLeft && zoomed && app.scrollPos >= 1) {
    app.selStart = static_cast<std::uint32_t>(frameAt(ctx, app.dragCurX) - app.framesPerPixel);
    app.selEnd = static_cast<std::uint32_t>(frameAt(ctx, app.dragAnchorX));
    scrollBy(ctx, -1);
    app.dragAnchorX += 1;
    app.dragCurX = pane.left;
    return;
  }
  if (pastRight && zoomed && app.scrollPos < app.scrollMax) {
    const std::uint64_t lastFrame = frameAt(ctx, pane.right - 1);
    if (lastFrame < app.frameCount) {
      app.selStart = static_cast<std::uint32_t>(frameAt(ctx, app.dragAnchorX));
      app.selEnd = static_cast<std::uint32_t>(lastFrame);
      scrollBy(ctx, 1);
      app.dragAnchorX -= 1;
      app.dragCurX = pane.right - 1;
      return;
    }
  }
  if (x == app.dragCurX || frameAt(ctx, x) > app.frameCount) return;
  rehighlight(ctx, app.dragAnchorX, app.dragCurX, x);
  app.selActive = x != app.dragAnchorX;
  app.dragCurX = x;
}

void completeSelection(AppContext& ctx) {
  state::AppState& app = ctx.app;
  const int left = std::min(app.dragAnchorX, app.dragCurX);
  const int right = std::max(app.dragAnchorX, app.dragCurX);
  app.dragAnchorX = left;
  app.dragCurX = right;
  std::uint64_t start = frameAt(ctx, left);
  std::uint64_t end = frameAt(ctx, right);
  if (end - start < app.blockFrames) {
    end = start + app.blockFrames;
    if (end > app.frameCount) {
      end = app.frameCount;
      // A track shorter than one block is selected whole.
      if (end - start < app.blockFrames)
        start = app.frameCount > app.blockFrames ? app.frameCount - app.blockFrames : 0;
    }
    app.selStart = static_cast<std::uint32_t>(start);
    app.selEnd = static_cast<std::uint32_t>(end);
    if (view::computeSelectionColumns(ctx.view, app)) {
      view::highlightColumns(ctx.view, app, ctx.shell, ctx.view.selStartCol, ctx.view.selEndCol,
                             true);
      app.dragAnchorX = ctx.view.selStartCol;
      app.dragCurX = ctx.view.selEndCol;
    }
  } else {
    app.selStart = static_cast<std::uint32_t>(start);
    app.selEnd = static_cast<std::uint32_t>(end);
  }
  ctx.shell.focusScrollBar();
}

void moveSelectionEnd(AppContext& ctx, SelectionEndMove direction) {
  state::AppState& app = ctx.app;
  const view::Rect& pane = ctx.paneA();
  const int col = view::frameToColumn(app, pane, app.selEnd);
  if (col < 0) return;
  app.dragCurX = col;
  if (direction == SelectionEndMove::Left) {
    // Never shorter than one block: the column to the left must still end the
    // selection at or after selStart + blockFrames.
    if (col <= pane.left ||
        frameAt(ctx, col - 1) < static_cast<std::uint64_t>(app.selStart) + app.blockFrames)
      return;
    view::highlightColumns(ctx.view, app, ctx.shell, col, col, false);
    app.dragCurX -= 1;
  } else {
    if (app.selEnd >= app.frameCount) return;
    if (col < pane.right - 1) {
      view::highlightColumns(ctx.view, app, ctx.shell, col + 1, col + 1, true);
      app.dragCurX += 1;
    } else if (!view::atFitZoom(app) && app.scrollPos < app.scrollMax &&
               frameAt(ctx, col) < app.frameCount) {
      scrollBy(ctx, 1);
    }
  }
  app.selEnd = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(frameAt(ctx, app.dragCurX), app.frameCount));
}

}  // namespace app
