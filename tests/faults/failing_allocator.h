// Allocation failure on demand: a test program linked with
// failing_allocator.cpp has every operator new of the process counted while
// armed, and the one numbered `failAt` fails (nullptr for the nothrow forms,
// std::bad_alloc for the others). A sweep arms 1, 2, 3... until a run makes
// no allocation fail, so every allocation of the run fails once, in turn.
#pragma once

#include <cstdint>
#include <functional>

namespace faulttest {

// While one lives, this thread's allocations are neither counted nor failed:
// for what stands in for the world outside the program (the window system).
class Uncounted {
 public:
  Uncounted();
  ~Uncounted();
  Uncounted(const Uncounted&) = delete;
  Uncounted& operator=(const Uncounted&) = delete;
};

// How one run of a sweep ended: refused with the program's message, refused
// cleanly without one (the state as before), or survived (done as without
// the failure).
enum class Outcome { Refused, RefusedQuietly, Survived };

struct SweepCounts {
  int failed = 0;
  int refused = 0;
  int refusedQuietly = 0;
  int survived = 0;
};

// One run: `prepare` sets up a fresh state, `act` runs the program's part
// (armed), `check` looks at the state it left and says how it ended.
struct SweepRun {
  std::function<void()> prepare;
  std::function<void()> act;
  std::function<Outcome()> check;
};

// Runs with allocation 1, 2, 3... of `act` failing until a run reaches no
// failing allocation, which must survive. An exception out of `act` is a
// fault. Prints one line: "<what>: N allocations failed in turn: N refused
// with a message, N refused quietly, N survived".
SweepCounts sweepAllocations(const char* what, const SweepRun& run);

}  // namespace faulttest
