// SaverThread: writes the selection, or the whole track without one, as a
// 16-bit PCM WAV file on a worker thread while mode is Busy. The file is
// written beside its target under a temporary name and takes the target's
// place only when complete, so a save that fails never costs the file that
// was there before.
#pragma once

#include <string>

#include "app/app_context.h"

namespace app {

// Runs on the worker started by Save as, which has shown the progress box.
// The header carries the track's channel count and the rate its samples run
// at. Ends with mode Idle; a file that cannot be created or written is
// reported in a message box.
void SaverThread(AppContext& ctx, const std::string& path);

}  // namespace app
