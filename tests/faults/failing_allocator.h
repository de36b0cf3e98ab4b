// Allocation failure on demand: a test linked with failing_allocator.cpp has
// every operator new of the armed thread counted, and the one numbered
// `failAt` fails (nullptr for the nothrow forms, std::bad_alloc for the
// others). A sweep arms 1, 2, 3... until a run makes no allocation fail.
#pragma once

#include <cstdint>

namespace faulttest {

// Arms this thread: its allocation number `failAt` (from 1) fails.
void armAllocationFailure(std::uint64_t failAt);
// Disarms this thread; true when the armed allocation was reached and failed.
bool disarmAllocationFailure();

// For the replaced operator new itself.
bool failsNowForAligned();

}  // namespace faulttest
