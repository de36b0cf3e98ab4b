// The tuning of a selected region (a right click on the selection): the note
// readout, the Tuning dialog and the correction of one channel in place.
#pragma once

#include "app/app_context.h"

namespace app {

// Runs with mode Busy (set by CanAct(Tune)) and returns mode to Idle.
void TuningCommand(AppContext& ctx, int x, int y);

}  // namespace app
