// "Undo Tuning": putting back the samples the last tuning replaced, and
// discarding the saved copy whenever the track is replaced or destroyed. The
// menu item 32773 is enabled exactly while a saved copy exists.
#pragma once

#include "app/app_context.h"

namespace app {

// Frees the saved samples, zeroes the record and greys the menu item.
void discardUndo(AppContext& ctx);

// Restores the tuned channel's samples, discards the record and redraws the
// panes when viewMutex is free at once (otherwise the old picture stays until
// the next redraw). Allowed in every mode.
void undoTuning(AppContext& ctx);

}  // namespace app
