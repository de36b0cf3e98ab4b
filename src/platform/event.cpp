#include "platform/event.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#else
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#endif

namespace platform {

namespace {

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t),
              "waiters sleep on the atomic word itself");

using Clock = std::chrono::steady_clock;

#ifdef _WIN32
// Sleeps while the word still holds `expected`; returns at a wake-up, a
// change of the word or the time-out.
void sleepWhile(std::atomic<std::uint32_t>& state, std::uint32_t expected,
                const Clock::duration* timeout) {
  DWORD milliseconds = INFINITE;
  if (timeout != nullptr) {
    const auto rounded = std::chrono::ceil<std::chrono::milliseconds>(*timeout).count();
    milliseconds = static_cast<DWORD>(std::clamp<long long>(rounded, 1, INFINITE - 1));
  }
  WaitOnAddress(&state, &expected, sizeof expected, milliseconds);
}

void wakeAll(std::atomic<std::uint32_t>& state) {
  WakeByAddressAll(&state);
}
#else
std::uint32_t* wordOf(std::atomic<std::uint32_t>& state) {
  return reinterpret_cast<std::uint32_t*>(&state);
}

// Sleeps while the word still holds `expected`; returns at a wake-up, a
// change of the word, a signal or the time-out (null: none).
void sleepWhile(std::atomic<std::uint32_t>& state, std::uint32_t expected,
                const Clock::duration* timeout) {
  timespec relative{};
  if (timeout != nullptr) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(*timeout);
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(*timeout - seconds);
    relative = {static_cast<std::time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
  }
  syscall(SYS_futex, wordOf(state), FUTEX_WAIT_PRIVATE, expected,
          timeout != nullptr ? &relative : nullptr, nullptr, 0);
}

void wakeAll(std::atomic<std::uint32_t>& state) {
  syscall(SYS_futex, wordOf(state), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}
#endif

}  // namespace

void Event::set() {
  // Nobody sleeps on a set event, so only the first set after a reset wakes.
  if (state_.exchange(1, std::memory_order_acq_rel) == 0) wakeAll(state_);
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
  while (state_.load(std::memory_order_acquire) == 0) sleepWhile(state_, 0, nullptr);
}

bool Event::waitFor(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (state_.load(std::memory_order_acquire) == 0) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return false;
    sleepWhile(state_, 0, &left);
  }
  return true;
}

}  // namespace platform
