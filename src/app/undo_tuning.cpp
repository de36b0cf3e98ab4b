#include "app/undo_tuning.h"

#include "app/pitch_curve_worker.h"
#include "app/view_lock.h"
#include "view/waveform_renderer.h"

namespace app {

void discardUndo(AppContext& ctx) {
  ctx.app.undo.discard();
  forgetCurveBeforeTuning(ctx.app);
  ctx.shell.enableUndoTuning(false);
}

void undoTuning(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (!app.undo.holdsSamples()) {
    ctx.shell.enableUndoTuning(false);
    return;
  }
  if (app.undo.restoreInto(app.samples.get(), app.frameCount)) restoreCurveOnUndo(app, app.undo);
  discardUndo(ctx);
  if (ViewLock lock = ViewLock::tryTake(app.viewMutex)) view::redrawPanes(ctx.view, app, ctx.shell);
}

}  // namespace app
