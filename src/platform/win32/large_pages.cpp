#include "platform/large_pages.h"

namespace platform {

// Large pages on Windows need a privilege ordinary users lack, and must be
// asked for when the memory is reserved: the buffer keeps normal pages.
void preferLargePages(void* buffer, std::size_t bytes) {
  (void)buffer;
  (void)bytes;
}

}  // namespace platform
