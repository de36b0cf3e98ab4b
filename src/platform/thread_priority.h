// Raising the calling thread's scheduling priority where the system allows it:
// audio delivery threads ask for it and carry on at normal priority when the
// system refuses (an unprivileged user may not raise priorities).
#pragma once

namespace platform {

// Asks for the highest normal priority for the calling thread; true when it
// was granted.
bool raiseThreadPriority();

}  // namespace platform
