// The gate every user action passes: CanAct decides from the transport mode
// whether an action is allowed, shows the refusal message where there is one,
// and makes the mode change and the small side effects that belong to the
// action. A refusal leaves every piece of state as it was.
#pragma once

#include "app/app_context.h"
#include "state/transport_mode.h"

namespace app {

enum class TransportAction : int {
  Play = 1,
  Loop = 2,
  Record = 3,
  Pause = 4,
  Stop = 5,
  Zoom = 6,
  Select = 7,  // left button pressed on the waveform
  Tune = 8,    // right button pressed on the waveform
  Scroll = 9,  // the scroll bar
  Resize = 10,
  Open = 11,
  SaveAs = 12,
  Quit = 13,
};

bool CanAct(AppContext& ctx, TransportAction action);

// Whether CanAct(Resize) would allow sizing the window now, without its side
// effects (the size limits follow the mode).
bool resizeAllowed(state::TransportMode mode);

// Marks both readout areas not shown, without repainting them.
void forgetReadout(state::AppState& app);

}  // namespace app
