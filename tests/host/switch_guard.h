// Counts, on the threads that ask for it, the calls an audio thread must never
// make: heap allocations and lock or wait calls that can block. A test linked
// with CANTORA_SWITCH_GUARD_WRAPS (tests/host/CMakeLists.txt) routes every such
// call of the program's own code through these counters.
#pragma once

#include <cstdint>

namespace hosttest {

// From now on, this thread's allocations and blocking calls are counted.
void guardThisThread();

struct GuardCounts {
  std::uint64_t allocations = 0;
  std::uint64_t blockingCalls = 0;
  const char* lastCall = "";  // the function counted last
};
GuardCounts guardCounts();

}  // namespace hosttest
