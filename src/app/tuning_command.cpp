#include "app/tuning_command.h"

namespace app {

// The right click on the selection is not connected to the tuning engine: it
// only hands the track back.
void TuningCommand(AppContext& ctx, int, int) {
  ctx.app.mode = state::TransportMode::Idle;
}

}  // namespace app
