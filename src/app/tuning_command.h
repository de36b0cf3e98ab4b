// The tuning of a selected region (a right click on the selection): the hit
// test, the note readout, the Tuning dialog and the correction of one channel
// in place, with the untuned samples kept for "Undo Tuning".
#pragma once

#include "app/app_context.h"
#include "tuning/tuning_engine.h"

namespace app {

// Where a right click tunes: the readout's anchor (the middle of the
// selection's visible columns, half a pane's height below the pane's top).
struct TuneAnchor {
  int x = 0;
  int y = 0;
};

// Sets tuneChannel (0 on a miss, 1 for pane A, 2 for pane B of a stereo
// track) and, on a hit, the anchor. A hit needs a selection with visible
// columns and a click inside pane A's horizontal extent and strictly inside
// a pane's vertical extent.
bool TuneHitTest(AppContext& ctx, int x, int y, TuneAnchor& anchor);

// Tunes the selection of channel tuneChannel with `params`, keeping the
// untuned samples as the undo record. The previous record is discarded first
// (menu item greyed); the item is enabled again once the new one exists. On
// failure the track is unchanged and no undo is available.
void TuneSelection(AppContext& ctx, const tuning::EngineParams& params);

// Runs with mode Busy (set by CanAct(Tune)) and returns mode to Idle.
void TuningCommand(AppContext& ctx, int x, int y);

}  // namespace app
