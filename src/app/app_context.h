// The parts of the main window the application's operations work on: the
// state record, the window system, the track view and, once a device was
// chosen, the audio host. The operations (CanAct, scrolling, selection, the
// transport buttons, the commands) are free functions over it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "app/shell.h"
#include "app/transport_host.h"
#include "state/app_state.h"
#include "view/track_view.h"

namespace app {

struct AppContext {
  state::AppState& app;
  Shell& shell;
  view::TrackView& view;
  // None until the device selection has set up a stream.
  std::unique_ptr<TransportHost> host;
  // The pause after a transport button, which lets the host settle before the
  // next click is handled; tests shorten it.
  std::function<void(std::chrono::milliseconds)> settle;

  const view::Rect& paneA() const { return view.geometry.paneA; }
  int paneWidth() const { return view.geometry.paneWidth(); }
};

}  // namespace app
