#include "app/pitch_curve_worker.h"

#include <mutex>
#include <new>
#include <vector>

#include "app/file_worker.h"
#include "app/view_lock.h"
#include "tuning/pitch_curve_analysis.h"
#include "view/waveform_renderer.h"

namespace app {

namespace {

using state::HopRange;
using state::PitchCurves;
using state::TransportMode;

// What one run of the worker analyses, planned while it holds the lock.
struct AnalysisJob {
  HopRange hops[2];
  std::uint32_t channels = 0;
  std::uint64_t generation = 0;
};

// Makes the curves match the track (all hops stale after a new track) and
// plans the job. False when the curves cannot be sized.
bool planJob(state::AppState& app, AnalysisJob& job) {
  PitchCurves& curves = app.pitch;
  const std::lock_guard<std::mutex> hold(curves.lock);
  if (curves.frames != app.frameCount || curves.channels != app.channels) {
    curves.clear();
    const std::uint32_t hops = PitchCurves::hopCount(app.frameCount);
    try {
      for (std::uint32_t c = 0; c < app.channels && c < 2; ++c) {
        curves.current[c].assign(hops, state::PitchPoint{});
        curves.stale[c] = {0, hops};
      }
    } catch (const std::bad_alloc&) {
      curves.clear();
      return false;
    }
    curves.frames = app.frameCount;
    curves.channels = app.channels;
  }
  job.channels = curves.channels;
  for (std::uint32_t c = 0; c < job.channels && c < 2; ++c) job.hops[c] = curves.stale[c];
  job.generation = curves.generation;
  return true;
}

void runAnalysis(AppContext& ctx, const AnalysisJob& job) {
  state::AppState& app = ctx.app;
  const tuning::TrackSamples track{app.samples.get(), static_cast<int>(app.channels),
                                   app.frameCount};
  std::vector<tuning::PitchEstimate> found[2];
  for (std::uint32_t c = 0; c < job.channels && c < 2; ++c) {
    if (job.hops[c].empty()) continue;
    // A failed analysis leaves those hops unvoiced: the curve is then only
    // missing there, and the worker is not started over and over.
    tuning::analysePitchCurve(track, static_cast<int>(c) + 1, job.hops[c].first, job.hops[c].end,
                              static_cast<int>(trackRate(app)), found[c]);
  }
  {
    PitchCurves& curves = app.pitch;
    const std::lock_guard<std::mutex> hold(curves.lock);
    // An undo during the run (it is allowed in every mode) changed the curve
    // under it; what was found is then stale and the next run redoes it.
    if (curves.generation == job.generation) {
      for (std::uint32_t c = 0; c < job.channels && c < 2; ++c) {
        const HopRange hops = job.hops[c];
        for (std::size_t i = 0; i < found[c].size() && hops.first + i < curves.current[c].size();
             ++i) {
          const tuning::PitchEstimate& e = found[c][i];
          curves.current[c][hops.first + i] = {e.semitones, e.clarity, e.voiced};
        }
        curves.stale[c] = {};
      }
      ++curves.generation;
    }
  }
  // Also when the curve was hidden meanwhile: the hiding could not redraw
  // while this worker owned the track.
  const ViewLock lock = ViewLock::take(app.viewMutex);
  view::redrawPanes(ctx.view, app, ctx.shell);
}

}  // namespace

void togglePitchCurve(AppContext& ctx) {
  state::AppState& app = ctx.app;
  app.pitch.shown = !app.pitch.shown;
  ctx.shell.checkPitchCurve(app.pitch.shown);
  // A worker that owns the track redraws when it ends; without a track there
  // is nothing to draw.
  if (app.mode != TransportMode::Busy && app.hasTrack()) {
    const ViewLock lock = ViewLock::take(app.viewMutex);
    view::redrawPanes(ctx.view, app, ctx.shell);
  }
  requestPitchAnalysis(ctx);
}

bool requestPitchAnalysis(AppContext& ctx) {
  state::AppState& app = ctx.app;
  if (!app.pitch.shown || !app.hasTrack()) return false;
  {
    const std::lock_guard<std::mutex> hold(app.pitch.lock);
    if (!app.pitch.needsAnalysis(app.frameCount, app.channels)) return false;
  }
  TransportMode idle = TransportMode::Idle;
  if (!app.mode.compare_exchange_strong(idle, TransportMode::Busy)) return false;
  AnalysisJob job;
  if (!planJob(app, job)) {
    app.mode = TransportMode::Idle;
    return false;
  }
  const bool started = startWorker(ctx, [&ctx, job] {
    runAnalysis(ctx, job);
    endWorker(ctx);
  });
  if (!started) app.mode = TransportMode::Idle;
  return started;
}

void keepCurveBeforeTuning(state::AppState& app, int channel, std::uint32_t start,
                           std::uint32_t end, const std::array<bool, 12>& allowed) {
  PitchCurves& curves = app.pitch;
  const std::lock_guard<std::mutex> hold(curves.lock);
  curves.allowed = allowed;
  ++curves.generation;
  for (state::PitchSegment& segment : curves.before) segment = {};
  const int c = channel == 2 ? 1 : 0;
  if (curves.frames != app.frameCount || static_cast<std::uint32_t>(c) >= curves.channels) return;
  const HopRange hops =
      PitchCurves::hopsTouching(start, end, tuning::PITCH_CURVE_FRAME, app.frameCount);
  if (hops.empty()) return;
  const HopRange pending = curves.stale[c];
  const bool known = pending.empty() || pending.end <= hops.first || pending.first >= hops.end;
  if (known && hops.end <= curves.current[c].size()) {
    try {
      curves.before[c].points.assign(curves.current[c].begin() + hops.first,
                                     curves.current[c].begin() + hops.end);
      curves.before[c].firstHop = hops.first;
    } catch (const std::bad_alloc&) {
      curves.before[c] = {};
    }
  }
  curves.stale[c] = pending.joined(hops);
}

void restoreCurveOnUndo(state::AppState& app, const state::UndoRecord& undo) {
  PitchCurves& curves = app.pitch;
  const std::lock_guard<std::mutex> hold(curves.lock);
  curves.allowed = {};
  ++curves.generation;
  const int c = undo.stereo && undo.channel == 2 ? 1 : 0;
  if (curves.frames != app.frameCount || static_cast<std::uint32_t>(c) >= curves.channels) return;
  const HopRange hops =
      PitchCurves::hopsTouching(undo.startFrame, std::uint64_t{undo.startFrame} + undo.frameCount,
                                tuning::PITCH_CURVE_FRAME, app.frameCount);
  const state::PitchSegment& before = curves.before[c];
  HopRange& stale = curves.stale[c];
  if (!before.empty() && before.firstHop == hops.first &&
      before.points.size() == hops.end - hops.first && hops.end <= curves.current[c].size()) {
    std::copy(before.points.begin(), before.points.end(), curves.current[c].begin() + hops.first);
    // What the tuning left to analyse is now known again.
    if (stale.first >= hops.first && stale.end <= hops.end) stale = {};
  } else {
    stale = stale.joined(hops);
  }
}

void forgetCurveBeforeTuning(state::AppState& app) {
  const std::lock_guard<std::mutex> hold(app.pitch.lock);
  for (state::PitchSegment& segment : app.pitch.before) segment = {};
}

std::array<bool, 12> allowedClasses(const std::array<bool, 12>& enabled, int pitchShift) {
  std::array<bool, 12> allowed{};
  for (int i = 0; i < 12; ++i)
    if (enabled[static_cast<std::size_t>(i)])
      allowed[static_cast<std::size_t>((((i + pitchShift) % 12) + 12) % 12)] = true;
  return allowed;
}

}  // namespace app
