#include "app/view_lock.h"

#include <thread>

namespace app {

namespace {
thread_local int heldCount = 0;
}

ViewLock::ViewLock(std::timed_mutex* taken) : mutex_(taken) {
  if (mutex_) ++heldCount;
}

ViewLock::ViewLock(ViewLock&& other) noexcept : mutex_(other.mutex_) {
  other.mutex_ = nullptr;
}

ViewLock::~ViewLock() {
  release();
}

void ViewLock::release() {
  if (!mutex_) return;
  --heldCount;
  mutex_->unlock();
  mutex_ = nullptr;
}

ViewLock ViewLock::tryTake(std::timed_mutex& mutex) {
  return ViewLock(mutex.try_lock() ? &mutex : nullptr);
}

// Polled instead of try_lock_for: the thread sanitizer of our toolchain does
// not see a timed lock (pthread_mutex_clocklock) and then reports its unlock
// as foreign. A fifth of a millisecond between tries is well inside the limit.
ViewLock ViewLock::tryTakeFor(std::timed_mutex& mutex, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (mutex.try_lock()) return ViewLock(&mutex);
    if (std::chrono::steady_clock::now() >= deadline) return ViewLock(nullptr);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

ViewLock ViewLock::take(std::timed_mutex& mutex) {
  mutex.lock();
  return ViewLock(&mutex);
}

bool ViewLock::heldByThisThread() {
  return heldCount > 0;
}

}  // namespace app
