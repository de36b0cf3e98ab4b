#include "app/zoom.h"

#include <algorithm>

#include "app/scrolling.h"
#include "state/track_sizing.h"
#include "view/column_mapping.h"
#include "view/pane_background.h"
#include "view/waveform_renderer.h"

namespace app {

namespace {

// Sets the new scroll range for the zoom just chosen and places the view so
// that it starts at `firstFrame` (shifted by `centreShift` columns).
void placeView(AppContext& ctx, std::uint64_t firstFrame, bool step, ZoomDirection direction) {
  state::AppState& app = ctx.app;
  const int w = ctx.paneWidth();
  const std::uint64_t m = app.frameCount / app.framesPerPixel;
  // The last position leaves the track's end in the middle of the pane.
  app.scrollMax = m >= static_cast<std::uint64_t>(w)
                      ? static_cast<std::int32_t>(
                            std::max<std::int64_t>(0, static_cast<std::int64_t>(m) - w / 2))
                      : 0;
  app.scrollPage = w / 8;
  long long pos = 0;
  if (firstFrame != 0) {
    pos = static_cast<long long>(firstFrame / app.framesPerPixel);
    if (step && direction == ZoomDirection::In) pos += w / 2;
    if (step && direction == ZoomDirection::Out && pos >= w / 4) pos -= w / 4;
  }
  setScrollPosition(ctx, pos);
}

}  // namespace

bool zoomStep(AppContext& ctx, ZoomDirection direction) {
  state::AppState& app = ctx.app;
  if (app.frameCount == 0 || app.framesPerPixel == 0 || ctx.paneWidth() <= 0) return false;
  if (direction == ZoomDirection::Out && view::atFitZoom(app)) return false;
  if (direction == ZoomDirection::In && app.framesPerPixel <= 1) return false;
  const std::uint64_t firstFrame = static_cast<std::uint64_t>(app.scrollPos) * app.framesPerPixel;
  if (direction == ZoomDirection::In)
    app.framesPerPixel /= 2;
  else
    app.framesPerPixel = std::min(app.framesPerPixel * 2, app.fitFramesPerPixel);
  placeView(ctx, firstFrame, true, direction);
  view::redrawPanes(ctx.view, app, ctx.shell);
  return true;
}

void refitZoom(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (app.frameCount == 0 || ctx.paneWidth() <= 0) return;
  const std::uint64_t firstFrame = static_cast<std::uint64_t>(app.scrollPos) * app.framesPerPixel;
  app.fitFramesPerPixel = state::fitZoom(app.frameCount, ctx.paneWidth());
  if (app.framesPerPixel > app.fitFramesPerPixel || app.framesPerPixel == 0)
    app.framesPerPixel = app.fitFramesPerPixel;
  placeView(ctx, firstFrame, false, ZoomDirection::In);
  // The layout left plain panes: paint the selection band again (which also
  // finds the selection's columns) before the waveform goes on top.
  view::paintBackgrounds(ctx.view, app, app.stereo);
  view::renderTrack(ctx.view, app);
  ctx.shell.invalidate(ctx.view.geometry.client);
  ctx.shell.updateWindow();
}

}  // namespace app
