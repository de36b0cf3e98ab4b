#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {
// On Linux the nice value belongs to the thread; -10 is well above normal
// work but below anything that could starve the system.
constexpr int RAISED_NICE = -10;
}  // namespace

bool raiseThreadPriority() {
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, thread, RAISED_NICE) == 0;
}

}  // namespace platform
