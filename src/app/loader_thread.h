// LoaderThread: reads a track file into memory on a worker thread while mode
// is Busy: the progress bar grows and the peak array fills as the blocks
// arrive, and the waveform is drawn when the last one is in.
#pragma once

#include <string>

#include "app/app_context.h"

namespace app {

// Runs on the worker started by the Open command, which has freed the old
// track and shown the progress box. Ends with mode Idle whatever happens; a
// file that cannot be read or a track that does not fit in memory is reported
// in a message box and leaves no track.
void LoaderThread(AppContext& ctx, const std::string& path);

}  // namespace app
