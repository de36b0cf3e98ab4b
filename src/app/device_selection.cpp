#include "app/device_selection.h"

namespace app {

// The device dialog and the stream set-up are not connected to the audio
// host: no device can be chosen and the transport stays without a stream.
void runDeviceSelection(AppContext&) {}

}  // namespace app
