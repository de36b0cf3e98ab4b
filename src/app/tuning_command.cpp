#include "app/tuning_command.h"

namespace app {

// The pitch correction engine arrives later; until then a right click on the
// selection only hands the track back.
void TuningCommand(AppContext& ctx, int, int) {
  ctx.app.mode = state::TransportMode::Idle;
}

}  // namespace app
