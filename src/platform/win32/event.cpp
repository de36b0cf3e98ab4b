// The event on Windows: the same atomic word, slept on with WaitOnAddress and
// woken with WakeByAddressAll, so set() stays lock-free here too.
#include "platform/event.h"

#include <windows.h>

#include <algorithm>

namespace platform {

namespace {

void sleepWhile(std::atomic<std::uint32_t>& state, std::uint32_t expected, DWORD milliseconds) {
  WaitOnAddress(&state, &expected, sizeof expected, milliseconds);
}

}  // namespace

void Event::set() {
  // Nobody sleeps on a set event, so only the first set after a reset wakes.
  if (state_.exchange(1, std::memory_order_acq_rel) == 0) WakeByAddressAll(&state_);
}

void Event::reset() {
  // A read-modify-write, so that a set it clears happens before the caller's
  // next look at what that set published.
  state_.exchange(0, std::memory_order_acq_rel);
}

bool Event::isSet() const {
  return state_.load(std::memory_order_acquire) != 0;
}

void Event::wait() {
  while (state_.load(std::memory_order_acquire) == 0) sleepWhile(state_, 0, INFINITE);
}

bool Event::waitFor(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  while (state_.load(std::memory_order_acquire) == 0) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    sleepWhile(state_, 0, static_cast<DWORD>(std::min<long long>(left.count(), INFINITE - 1)));
  }
  return true;
}

}  // namespace platform
