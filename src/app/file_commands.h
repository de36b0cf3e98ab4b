// The file commands' own work once CanAct has let them through: opening a
// track, saving the track or the selection, and turning a finished recording
// into a track. They run on worker threads while mode is Busy and need the
// audio-file readers and writers.
#pragma once

#include "app/app_context.h"

namespace app {

// Open (32771), after CanAct(Open).
void openTrack(AppContext& ctx);
// Save as (32772), after CanAct(SaveAs).
void saveTrackAs(AppContext& ctx);
// Stop after a recording, with mode already Busy. Ends with mode Idle, at
// once or when its worker ends.
void finishRecording(AppContext& ctx);

}  // namespace app
