#include "view/live_display.h"

#include "view/pane_background.h"
#include "view/peaks.h"
#include "view/view_constants.h"
#include "view/wave_painter.h"

namespace view {

namespace {

void restartAtLeft(TrackView& view) {
  LiveState& live = view.live;
  live.currentColumn = view.geometry.paneA.left;
  live.previousColumn = live.currentColumn;
  live.previousRow[0] = live.centreA;
  live.previousRow[1] = live.centreB;
  live.pointFlag[0] = live.pointFlag[1] = false;
}

}  // namespace

void beginLiveDisplay(TrackView& view) {
  const Layout& g = view.geometry;
  LiveState& live = view.live;
  live.paneWidth = g.paneA.width();
  live.paneHeight = g.paneA.height();
  live.centreA = g.paneA.top + live.paneHeight / 2;
  live.centreB = g.paneB.top + live.paneHeight / 2;
  live.scale = verticalScale(live.paneHeight);
  restartAtLeft(view);
}

void addLiveBlock(TrackView& view, const state::AppState& app, WindowSurface& surface,
                  const std::int16_t* left, const std::int16_t* right, std::uint32_t n) {
  const Rect& pane = view.geometry.paneA;
  LiveState& live = view.live;
  if (pane.width() <= 0 || !view.image.valid()) return;
  if (live.currentColumn >= pane.right - 1 || live.currentColumn < pane.left) {
    paintBackgrounds(view, app, true);
    invalidatePanes(view, surface, true);
    restartAtLeft(view);
  }
  const ColumnCanvas canvas{view.image, &surface};
  const std::int16_t* runs[2] = {left, right};
  const int centres[2] = {live.centreA, live.centreB};
  for (int ch = 0; ch < 2; ++ch) {
    if (!runs[ch] || n == 0) continue;
    const MonoPeak p = peakMono(runs[ch], n);
    BarTrace trace{live.previousRow[ch], live.pointFlag[ch]};
    paintBarColumn(canvas, live.currentColumn, live.previousColumn, centres[ch], live.scale, p.max,
                   p.min, runs[ch][n - 1], trace);
    live.previousRow[ch] = trace.previousRow;
    live.pointFlag[ch] = trace.pointFlag;
  }
  live.previousColumn = live.currentColumn;
  ++live.currentColumn;
}

}  // namespace view
