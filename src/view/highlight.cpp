#include "view/highlight.h"

#include <algorithm>

#include "view/view_constants.h"

namespace view {

namespace {

void swapColours(Image& image, const Rect& pane, int a, int b, bool on) {
  const std::uint32_t fromPane = on ? COLOUR_PANE : COLOUR_PANE_SELECTED;
  const std::uint32_t toPane = on ? COLOUR_PANE_SELECTED : COLOUR_PANE;
  const std::uint32_t fromWave = on ? COLOUR_WAVE : COLOUR_WAVE_SELECTED;
  const std::uint32_t toWave = on ? COLOUR_WAVE_SELECTED : COLOUR_WAVE;
  const int top = std::max(pane.top, 0);
  const int bottom = std::min(pane.bottom, image.height());
  for (int y = top; y < bottom; ++y) {
    std::uint32_t* row = image.row(y);
    for (int x = a; x <= b; ++x) {
      if (row[x] == fromPane)
        row[x] = toPane;
      else if (row[x] == fromWave)
        row[x] = toWave;
    }
  }
}

}  // namespace

void highlightColumns(TrackView& view, const state::AppState& app, WindowSurface& surface, int a,
                      int b, bool on) {
  if (a > b) std::swap(a, b);
  const Rect& paneA = view.geometry.paneA;
  a = std::max({a, paneA.left, 0});
  b = std::min({b, paneA.right - 1, view.image.width() - 1});
  if (a > b || !view.image.valid()) return;
  swapColours(view.image, paneA, a, b, on);
  surface.invalidate({a, paneA.top, b + 1, paneA.bottom});
  if (app.stereo) {
    const Rect& paneB = view.geometry.paneB;
    swapColours(view.image, paneB, a, b, on);
    surface.invalidate({a, paneB.top, b + 1, paneB.bottom});
  }
  surface.updateWindow();
}

}  // namespace view
