#include "app/undo_tuning.h"

#include "app/view_lock.h"
#include "view/waveform_renderer.h"

namespace app {

void discardUndo(AppContext& ctx) {
  ctx.app.undo.discard();
  ctx.shell.enableUndoTuning(false);
}

void undoTuning(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (!app.undo.holdsSamples()) {
    ctx.shell.enableUndoTuning(false);
    return;
  }
  app.undo.restoreInto(app.samples.get(), app.frameCount);
  discardUndo(ctx);
  if (ViewLock lock = ViewLock::tryTake(app.viewMutex)) view::redrawPanes(ctx.view, app, ctx.shell);
}

}  // namespace app
