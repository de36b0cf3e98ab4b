// A manual-reset event: once set it stays set, waking every waiter, until it is
// reset. The host's ports and the delivery threads meet on it; the audio path
// only ever sets it, which never blocks for long.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class Event {
 public:
  explicit Event(bool initiallySet = false) : set_(initiallySet) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void set();
  void reset();
  bool isSet() const;
  // Waits until the event is set.
  void wait();
  // Waits at most `timeout`; true when the event was set.
  bool waitFor(std::chrono::milliseconds timeout);

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool set_;
};

}  // namespace platform
