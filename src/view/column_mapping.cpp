#include "view/column_mapping.h"

#include <cmath>

namespace view {

std::uint64_t columnToFrame(const state::AppState& app, const Rect& pane, int x) {
  const std::int64_t offset = static_cast<std::int64_t>(x) - pane.left;
  const int w = pane.width();
  if (atFitZoom(app)) {
    if (w <= 0 || offset <= 0) return 0;
    return static_cast<std::uint64_t>(
        std::floor(static_cast<double>(app.frameCount) / w * static_cast<double>(offset)));
  }
  const std::int64_t column = static_cast<std::int64_t>(app.scrollPos) + offset;
  if (column <= 0) return 0;
  return static_cast<std::uint64_t>(column) * app.framesPerPixel;
}

int frameToColumn(const state::AppState& app, const Rect& pane, std::uint64_t frame) {
  const int w = pane.width();
  const std::uint64_t first = static_cast<std::uint64_t>(app.framesPerPixel) *
                              static_cast<std::uint64_t>(app.scrollPos > 0 ? app.scrollPos : 0);
  if (frame < first) return COLUMN_BEFORE_VIEW;
  const bool fit = atFitZoom(app);
  if (w <= 0 || (!fit && app.framesPerPixel == 0) || (fit && app.frameCount == 0))
    return COLUMN_AFTER_VIEW;
  const double s = fit ? static_cast<double>(app.frameCount) / w : app.framesPerPixel;
  const double shown = std::floor(s * w);
  if (static_cast<double>(frame) > shown + static_cast<double>(first)) return COLUMN_AFTER_VIEW;
  return static_cast<int>(std::floor(static_cast<double>(frame - first) / s + 0.5)) + pane.left;
}

bool hitTest(const state::AppState& app, const Layout& layout, int x, int y) {
  const Rect& a = layout.paneA;
  const Rect& b = layout.paneB;
  if (!app.stereo && y >= a.bottom) return false;
  if (y < a.top || y > b.bottom) return false;
  if (y >= a.bottom && y <= b.top) return false;
  if (x < a.left || x >= a.right) return false;
  return columnToFrame(app, a, x) <= app.frameCount;
}

}  // namespace view
