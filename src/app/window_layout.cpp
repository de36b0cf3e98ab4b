#include "app/window_layout.h"

#include <thread>

#include "app/view_lock.h"
#include "app/zoom.h"
#include "view/view_constants.h"

namespace app {

namespace {

void RelayoutThread(AppContext* ctx) {
  if (layoutOutdated(*ctx)) {
    if (ViewLock lock = ViewLock::tryTake(ctx->app.viewMutex)) {
      if (layOutWindow(*ctx, ctx->shell.clientSize())) refitZoom(*ctx);
    }
  }
  ctx->relayoutsRunning.fetch_sub(1);
}

}  // namespace

bool layOutWindow(AppContext& ctx, Size client) {
  const Size outer = ctx.shell.outerSize();
  if (!view::layoutWindow(ctx.view, ctx.app, client.width, client.height, outer.width,
                          outer.height))
    return false;
  ctx.shell.placeControl(view::SCROLL_BAR_ID, ctx.view.geometry.scrollBar);
  for (int i = 0; i < view::BUTTON_COUNT; ++i)
    ctx.shell.placeControl(view::BUTTON_ID_FIRST + i, ctx.view.geometry.buttons[i]);
  return true;
}

bool layoutOutdated(AppContext& ctx) {
  const Size outer = ctx.shell.outerSize();
  return outer.width != ctx.app.layoutWidth.load() || outer.height != ctx.app.layoutHeight.load();
}

void startRelayoutThread(AppContext& ctx) {
  ctx.relayoutsRunning.fetch_add(1);
  try {
    std::thread(RelayoutThread, &ctx).detach();
  } catch (...) {
    // No thread now: a later block tries again.
    ctx.relayoutsRunning.fetch_sub(1);
  }
}

void waitForRelayouts(AppContext& ctx) {
  while (ctx.relayoutsRunning.load() > 0) std::this_thread::yield();
}

}  // namespace app
