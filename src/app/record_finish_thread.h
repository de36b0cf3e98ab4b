// RecordFinishThread: turns a stopped recording (the chunk list of planar
// stereo blocks) into the new track on a worker thread while mode is Busy,
// or, when it did not fit in memory, writes it straight into a WAV file the
// user chooses.
#pragma once

#include "app/app_context.h"

namespace app {

// Runs on the worker started when Stop ends a recording, which has shown the
// progress box. Frees every chunk and the spool buffer, and ends with mode
// Idle whatever happens. A file that cannot be created is reported and the
// save dialog asked again, so the recording is lost only when the user
// cancels it (or no spool buffer exists).
void RecordFinishThread(AppContext& ctx);

}  // namespace app
