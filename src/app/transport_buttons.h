// The transport buttons' handler: after CanAct it does each button's own work
// (the play and cursor positions, starting, pausing and stopping the host
// stream, the Pause button's label, the focus) and the zoom steps.
#pragma once

#include "app/app_context.h"

namespace app {

// A click of control `id` (200..206; the audio path's Stop arrives here as a
// posted click of 204). Other ids only report the click.
void transportButton(AppContext& ctx, int id);

}  // namespace app
