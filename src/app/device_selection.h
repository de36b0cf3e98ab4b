// Choosing the audio device (command 107): the device dialog, loading the
// driver in the host, sizing the block and opening the stream that the
// transport plays and records through.
#pragma once

#include "app/app_context.h"

namespace app {

// Runs once per program run, after the main window has checked that no
// device was chosen yet and dropped the selection.
void runDeviceSelection(AppContext& ctx);

}  // namespace app
