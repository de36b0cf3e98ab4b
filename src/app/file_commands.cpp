#include "app/file_commands.h"

namespace app {

// Open and Save as are not connected to the file layer: both commands leave
// the track as it is.
void openTrack(AppContext&) {}

void saveTrackAs(AppContext&) {}

// Without the record finishing worker the recording is dropped, as when that
// worker cannot be started.
void finishRecording(AppContext& ctx) {
  ctx.app.chunks.free();
  ctx.app.chunkCount = 0;
  ctx.app.spoolBuffer.reset();
  ctx.app.spoolToFile = false;
  ctx.app.mode = state::TransportMode::Idle;
}

}  // namespace app
