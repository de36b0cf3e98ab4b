#include "platform/thread_priority.h"

#include <windows.h>

namespace platform {

// The highest of the normal priorities: above the program's other threads,
// below the time-critical class that could starve the system.
bool raiseThreadPriority() {
  return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != 0;
}

}  // namespace platform
