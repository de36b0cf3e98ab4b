#include "app/device_selection.h"

namespace app {

// The device dialog and the stream set-up arrive with the audio host; until
// then no device can be chosen and the transport stays without a stream.
void runDeviceSelection(AppContext&) {}

}  // namespace app
