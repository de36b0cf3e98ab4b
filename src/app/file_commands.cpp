#include "app/file_commands.h"

namespace app {

// Reading and writing tracks arrives with the audio-file layer; until then
// the commands leave the track as it is.
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
