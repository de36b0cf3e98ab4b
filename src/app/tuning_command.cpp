#include "app/tuning_command.h"

#include "app/file_worker.h"
#include "app/pitch_curve_worker.h"
#include "app/readout_display.h"
#include "app/undo_tuning.h"
#include "app/view_lock.h"
#include "tuning/pitch_readout.h"
#include "tuning/tune_selection.h"
#include "view/pane_background.h"
#include "view/waveform_renderer.h"

namespace app {

namespace {

// Strictly between a pane's top and bottom edges.
bool withinRows(const Rect& pane, int y) {
  return y > pane.top && y < pane.bottom;
}

tuning::TrackSamples trackSamples(const state::AppState& app) {
  return {app.samples.get(), static_cast<int>(app.channels), app.frameCount};
}

tuning::TrackRegion selectedRegion(const state::AppState& app) {
  return {app.selStart, app.selEnd, app.tuneChannel == 2 ? 2 : 1};
}

tuning::EngineParams paramsFor(const TuningChoice& choice, const state::AppState& app) {
  tuning::EngineParams params;
  params.sampleRate = static_cast<int>(trackRate(app));
  params.pitchShift = choice.pitchShift;
  params.grace = static_cast<float>(choice.grace);
  for (int i = 0; i < tuning::PITCH_CLASSES; ++i) params.noteEnabled[i] = choice.noteEnabled[i];
  return params;
}

bool tunesAnything(const TuningChoice& choice) {
  if (choice.pitchShift != 0) return true;
  for (bool on : choice.noteEnabled)
    if (on) return true;
  return false;
}

}  // namespace

bool TuneHitTest(AppContext& ctx, int x, int y, TuneAnchor& anchor) {
  state::AppState& app = ctx.app;
  app.tuneChannel = 0;
  const Rect& paneA = ctx.paneA();
  const Rect& paneB = ctx.view.geometry.paneB;
  if (!app.selActive || x < paneA.left || x >= paneA.right) return false;
  std::uint32_t channel = 0;
  if (withinRows(paneA, y))
    channel = 1;
  else if (app.stereo && withinRows(paneB, y))
    channel = 2;
  else
    return false;
  app.tuneChannel = channel;
  if (!view::computeSelectionColumns(ctx.view, app)) return false;
  anchor.x = ctx.view.selStartCol + (ctx.view.selEndCol - ctx.view.selStartCol) / 2;
  anchor.y = (channel == 1 ? paneA.top : paneB.top) + paneA.height() / 2;
  return true;
}

void TuneSelection(AppContext& ctx, const tuning::EngineParams& params) {
  state::AppState& app = ctx.app;
  discardUndo(ctx);
  tuning::TuneResult result = tuning::TuneSelection(params, trackSamples(app), selectedRegion(app));
  if (result.status != tuning::TuneStatus::Tuned) return;
  state::UndoRecord& undo = app.undo;
  undo.samples = std::move(result.undo.samples);
  undo.startFrame = static_cast<std::uint32_t>(result.undo.startFrame);
  undo.frameCount = static_cast<std::uint32_t>(result.undo.frameCount);
  undo.stereo = result.undo.stereo;
  undo.channel = static_cast<std::uint32_t>(result.undo.channel);
  ctx.shell.enableUndoTuning(true);
  keepCurveBeforeTuning(app, app.tuneChannel == 2 ? 2 : 1, app.selStart, app.selEnd,
                        allowedClasses(params.noteEnabled, params.pitchShift));
}

void TuningCommand(AppContext& ctx, int x, int y) {
  state::AppState& app = ctx.app;
  TuneAnchor anchor;
  if (TuneHitTest(ctx, x, y, anchor)) {
    const tuning::ReadoutText text = tuning::PitchReadout(trackSamples(app), selectedRegion(app),
                                                          static_cast<int>(trackRate(app)));
    DrawReadout(ctx, text.view(), anchor.x, anchor.y);
    const Rect& paneA = ctx.paneA();
    app.tuneOnLeft = anchor.x < paneA.left + paneA.width() / 2;
    const int result = ctx.shell.runTuningDialog(app.tuneOnLeft, [&](const TuningChoice& choice) {
      if (tunesAnything(choice)) TuneSelection(ctx, paramsFor(choice, app));
    });
    if (result == 1) {
      // Also after an OK that tuned nothing: the repaint removes the readout.
      const ViewLock lock = ViewLock::take(app.viewMutex);
      view::redrawPanes(ctx.view, app, ctx.shell);
    }
  }
  app.mode = state::TransportMode::Idle;
}

}  // namespace app
