#include "platform/disk_space_limit.h"

#include <algorithm>
#include <atomic>

namespace platform {

namespace {

std::atomic<bool> limited{false};
std::atomic<std::uint64_t> freeSpace{0};

}  // namespace

void limitDiskSpaceForTesting(std::uint64_t freeBytes) {
  freeSpace = freeBytes;
  limited = true;
}

void unlimitDiskSpaceForTesting() {
  limited = false;
}

std::uint64_t diskRoomFor(std::uint64_t count, std::uint64_t offset, std::uint64_t end) {
  if (!limited.load(std::memory_order_relaxed)) return count;
  const std::uint64_t inside = offset < end ? std::min(count, end - offset) : 0;
  const std::uint64_t wanted = count - inside;
  std::uint64_t left = freeSpace.load();
  std::uint64_t fits = 0;
  do {
    fits = std::min(wanted, left);
  } while (!freeSpace.compare_exchange_weak(left, left - fits));
  return inside + fits;
}

}  // namespace platform
