// On Windows a page of a view whose file was cut short raises an in-page
// error exception. The MinGW compiler has no structured exception handling to
// turn that into a failed read on the reading thread, so the reads run
// unguarded here: such a file still ends the program, as it did before the
// POSIX guard existed.
#include "platform/mapped_read_guard.h"

namespace platform {

bool runGuardingMappedReads(void (*body)(void*), void* context) {
  body(context);
  return true;
}

}  // namespace platform
