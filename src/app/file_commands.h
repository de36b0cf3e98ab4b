// The file commands' own work once CanAct has let them through: opening a
// track, saving the track or the selection, and turning a finished recording
// into a track. Each asks on the UI thread only for what it needs (a file
// name), prepares the window and starts its worker; mode stays Busy until
// the worker ends.
#pragma once

#include <string>

#include "app/app_context.h"

namespace app {

// Open (32771), after CanAct(Open): the open dialog, then the load.
void openTrack(AppContext& ctx);
// The load of `path` as Open starts it once a name is chosen (also the
// program's start-up open of a file named on its command line).
void openTrackFile(AppContext& ctx, const std::string& path);
// Save as (32772), after CanAct(SaveAs).
void saveTrackAs(AppContext& ctx);
// Stop after a recording, with mode already Busy. Ends with mode Idle, at
// once or when its worker ends.
void finishRecording(AppContext& ctx);

}  // namespace app
