// The pitch curve over the panes: showing and hiding it, the worker that
// analyses the track off the UI thread (only while the track is free, never
// while the transport plays or records), and keeping the curve in step with
// a tuning and its undo: the tuned region's old curve is kept beside the new
// one until the undo record goes, and undo puts it back.
#pragma once

#include <array>
#include <cstdint>

#include "app/app_context.h"
#include "state/undo_record.h"

namespace app {

// View > Pitch curve and the key P: shows or hides the curve, ticks the menu
// item, redraws and starts the analysis the curve still needs.
void togglePitchCurve(AppContext& ctx);

// Starts the analysis worker when the curve is shown, does not match the
// track (a new track, a tuned region) and the track is free: the worker takes
// it (mode Busy) and hands it back with endWorker, drawing the new curve
// first. Called after every event that may leave the track free. True when a
// worker was started.
bool requestPitchAnalysis(AppContext& ctx);

// After a tuning of frames [start, end) of `channel` (1 or 2) that moved
// voiced frames to the pitch classes in `allowed` (index 0 is A): the region's
// curve becomes the one from before the tuning and its hops are analysed
// again.
void keepCurveBeforeTuning(state::AppState& app, int channel, std::uint32_t start,
                           std::uint32_t end, const std::array<bool, 12>& allowed);

// Undo of the tuning `undo` describes: its region's curve from before the
// tuning comes back (or is analysed again when there was none).
void restoreCurveOnUndo(state::AppState& app, const state::UndoRecord& undo);

// The undo record is gone: so is the curve from before its tuning.
void forgetCurveBeforeTuning(state::AppState& app);

// The pitch classes a tuning moves voiced frames to: the enabled ones,
// transposed by the pitch shift; none when no class is enabled.
std::array<bool, 12> allowedClasses(const std::array<bool, 12>& enabled, int pitchShift);

}  // namespace app
