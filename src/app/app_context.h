// The parts of the main window the application's operations work on: the
// state record, the window system, the track view and, once a device was
// chosen, the audio host. The operations (CanAct, scrolling, selection, the
// transport buttons, the audio callbacks, the commands) are free functions
// over it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/shell.h"
#include "app/transport_host.h"
#include "state/app_state.h"
#include "state/record_chunk.h"
#include "view/track_view.h"

namespace app {

struct AppContext;

// Makes one recording chunk (blocksPerChunk x blockFrames frames per channel),
// nullptr when memory runs out. Called on the host's delivery thread.
using ChunkAllocator = state::RecordChunk* (*)(std::uint32_t blocksPerChunk,
                                               std::uint32_t blockFrames);

struct AppContext {
  AppContext(state::AppState& state, Shell& windowShell, view::TrackView& trackView)
      : app(state), shell(windowShell), view(trackView) {}

  state::AppState& app;
  Shell& shell;
  view::TrackView& view;
  // None until the device selection has set up a stream.
  std::unique_ptr<TransportHost> host;
  // The pause after a transport button, which lets the host settle before the
  // next click is handled; tests shorten it.
  std::function<void(std::chrono::milliseconds)> settle;
  // Where the input callback gets its chunks (tests make it fail).
  ChunkAllocator allocateChunk = &state::RecordChunk::create;
  // Takes over a stopped recording (mode Busy, the chunk list filled) and ends
  // with mode Idle. Empty: the file commands' record finishing. The command
  // line's `record` writes its file here instead.
  std::function<void(AppContext&)> finishRecording;
  // Re-layout workers started by the follow step that have not ended yet; the
  // teardown lets them finish before the view goes away.
  std::atomic<int> relayoutsRunning{0};

  const view::Rect& paneA() const { return view.geometry.paneA; }
  int paneWidth() const { return view.geometry.paneWidth(); }
};

}  // namespace app
