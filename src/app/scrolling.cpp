#include "app/scrolling.h"

#include <algorithm>

#include "view/column_mapping.h"
#include "view/waveform_renderer.h"

namespace app {

void setScrollPosition(AppContext& ctx, long long pos) {
  state::AppState& app = ctx.app;
  pos = std::clamp<long long>(pos, 0, std::max(app.scrollMax, 0));
  app.scrollPos = static_cast<std::int32_t>(pos);
  ctx.shell.setScrollBar(app.scrollMax, app.scrollPage, app.scrollPos);
}

void resetScrollBar(AppContext& ctx) {
  ctx.app.scrollPos = ctx.app.scrollMax = ctx.app.scrollPage = 0;
  ctx.shell.setScrollBar(0, 0, 0);
  ctx.shell.enableScrollBar(false);
}

void scrollBy(AppContext& ctx, int columns) {
  const long long target = static_cast<long long>(ctx.app.scrollPos) + columns;
  const std::int32_t before = ctx.app.scrollPos;
  const long long clamped = std::clamp<long long>(target, 0, std::max(ctx.app.scrollMax, 0));
  if (clamped != before) setScrollPosition(ctx, clamped);
  view::redrawPanes(ctx.view, ctx.app, ctx.shell);
}

void scrollTo(AppContext& ctx, int pos) {
  if (pos == ctx.app.scrollPos) return;
  setScrollPosition(ctx, pos);
  view::redrawPanes(ctx.view, ctx.app, ctx.shell);
}

void thumbTrack(AppContext& ctx, int trackPos) {
  setScrollPosition(ctx, trackPos);
  view::redrawPanes(ctx.view, ctx.app, ctx.shell);
}

bool showSelectionStart(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (view::atFitZoom(app) || app.framesPerPixel == 0) return false;
  const view::Rect& pane = ctx.paneA();
  if (view::frameToColumn(app, pane, app.selStart) >= 0 &&
      view::frameToColumn(app, pane, app.selEnd) >= 0)
    return false;
  const int pos = static_cast<int>(app.selStart / app.framesPerPixel);
  if (pos == app.scrollPos) return false;
  scrollTo(ctx, pos);
  return true;
}

}  // namespace app
