#include "app/view_lock.h"

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

ViewLock ViewLock::tryTakeFor(std::timed_mutex& mutex, std::chrono::milliseconds limit) {
  return ViewLock(mutex.try_lock_for(limit) ? &mutex : nullptr);
}

ViewLock ViewLock::take(std::timed_mutex& mutex) {
  mutex.lock();
  return ViewLock(&mutex);
}

bool ViewLock::heldByThisThread() {
  return heldCount > 0;
}

}  // namespace app
