// viewMutex, taken through a guard that notes which thread holds it. The rule
// that keeps the program free of deadlocks: nothing done while viewMutex is
// held waits for the UI thread. The note lets a test Shell check that rule.
#pragma once

#include <chrono>
#include <mutex>

namespace app {

class ViewLock {
 public:
  // Takes the mutex without waiting; the guard is empty when it is held.
  static ViewLock tryTake(std::timed_mutex& mutex);
  // Waits at most `limit` (the zoom buttons wait 10 ms).
  static ViewLock tryTakeFor(std::timed_mutex& mutex, std::chrono::milliseconds limit);
  // Waits without limit (teardown).
  static ViewLock take(std::timed_mutex& mutex);

  ViewLock(ViewLock&& other) noexcept;
  ViewLock& operator=(ViewLock&&) = delete;
  ViewLock(const ViewLock&) = delete;
  ~ViewLock();

  explicit operator bool() const { return mutex_ != nullptr; }
  void release();

  // True while the calling thread holds viewMutex through a ViewLock.
  static bool heldByThisThread();

 private:
  explicit ViewLock(std::timed_mutex* taken);
  std::timed_mutex* mutex_ = nullptr;
};

}  // namespace app
