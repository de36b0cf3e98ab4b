#include "platform/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {

namespace {
constexpr std::uintptr_t LARGE_PAGE = std::uintptr_t{1} << 21;  // x86-64 and arm64 Linux
}  // namespace

void preferLargePages(void* buffer, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  const auto start = reinterpret_cast<std::uintptr_t>(buffer);
  const std::uintptr_t from = (start + LARGE_PAGE - 1) & ~(LARGE_PAGE - 1);
  const std::uintptr_t to = (start + bytes) & ~(LARGE_PAGE - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)buffer;
  (void)bytes;
#endif
}

}  // namespace platform
