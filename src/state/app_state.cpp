#include "state/app_state.h"

namespace state {

void AppState::freeTrack() {
  samples.reset();
  peaks.reset();
  frameCount = 0;
  framesPerPeak = 1;
  const std::lock_guard<std::mutex> hold(pitch.lock);
  pitch.clear();
}

void AppState::reset() {
  freeTrack();
  channels = 1;
  sampleRate = 44100;
  stereo = false;
  selActive = false;
  selStart = selEnd = 0;
  playPos = 0;
  cursorPos = 0;
  mode = TransportMode::Idle;
  loop = recording = follow = false;
  paused = restoreScrollOnResume = false;
  savedScrollPos = -1;
  deviceIndex = -1;
  driverOpen = streamReady = false;
  blockFrames = 64;
  driverRate = 0;
  deviceFrames = 0;
  chunks.free();
  blocksPerChunk = maxChunks = 0;
  chunkCount = 0;
  spoolBuffer.reset();
  spoolToFile = false;
  inputPeak = 0;
  framesPerPixel = fitFramesPerPixel = 0;
  scrollPos = scrollMax = scrollPage = 0;
  dragging = false;
  dragAnchorX = dragCurX = 0;
  focusIndex = 0;
  layoutWidth = layoutHeight = initialPaneWidth = 0;
  tuneChannel = 0;
  tuneOnLeft = false;
  readout[0] = readout[1] = ReadoutArea{};
  undo.discard();
  pitch.shown = false;
}

}  // namespace state
