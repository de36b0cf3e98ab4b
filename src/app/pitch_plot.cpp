#include "app/pitch_plot.h"

#include <new>

#include "view/image.h"
#include "view/pitch_overlay.h"
#include "view/view_constants.h"

namespace app {

bool renderPitchPlot(const std::vector<state::PitchPoint>& points, std::uint32_t firstHop,
                     std::uint64_t firstFrame, std::uint64_t frames, int width, int height,
                     PitchPlot& plot) {
  view::Image image;
  if (!image.create(width, height)) return false;
  const view::Rect all{0, 0, width, height};
  image.fill(all, view::COLOUR_PANE);
  view::PitchOverlay overlay;
  overlay.current = {points.data(), points.size(), firstHop, state::PITCH_HOP_FRAMES};
  const view::ColumnFrameSpan span{static_cast<double>(firstFrame),
                                   static_cast<double>(frames) / width};
  view::drawPitchOverlay(image, all, span, overlay);
  try {
    plot.pixels.assign(image.data(), image.data() + static_cast<std::size_t>(width) * height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  plot.width = width;
  plot.height = height;
  return true;
}

}  // namespace app
