// A manual-reset event: once set it stays set, waking every waiter, until it is
// reset. The host's ports and the delivery threads meet on it. set() takes no
// lock and never waits, so the audio thread may call it: the event is one
// atomic word that waiters sleep on through the system (a futex on Linux; on
// Windows the same shape is served by WaitOnAddress and WakeByAddressAll).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace platform {

class Event {
 public:
  explicit Event(bool initiallySet = false) : state_(initiallySet ? 1u : 0u) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Sets the event and wakes every waiter; lock-free, safe on the audio thread.
  void set();
  // Clears the event. Whatever the setter published before a set that this
  // reset clears is visible to the caller afterwards.
  void reset();
  bool isSet() const;
  // Waits until the event is set.
  void wait();
  // Waits at most `timeout`; true when the event was set.
  bool waitFor(std::chrono::milliseconds timeout);

 private:
  std::atomic<std::uint32_t> state_;  // 1 set, 0 clear
};

}  // namespace platform
