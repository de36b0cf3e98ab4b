#include "host/switch_guard.h"

#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace hosttest {

namespace {

thread_local bool guarded = false;
std::atomic<std::uint64_t> allocations{0};
std::atomic<std::uint64_t> blockingCalls{0};
std::atomic<const char*> lastCall{""};

void countAllocation(const char* name) {
  if (!guarded) return;
  allocations.fetch_add(1);
  lastCall.store(name);
}

void countBlocking(const char* name) {
  if (!guarded) return;
  blockingCalls.fetch_add(1);
  lastCall.store(name);
}

}  // namespace

void guardThisThread() {
  guarded = true;
}

GuardCounts guardCounts() {
  return {allocations.load(), blockingCalls.load(), lastCall.load()};
}

}  // namespace hosttest

using hosttest::countAllocation;
using hosttest::countBlocking;

// The linker sends every call of these from the test's objects and the
// libraries linked statically into it here (--wrap); __real_ is the original.
// A broadcast or signal is no wait, but it pairs with a mutex a waiter holds.
#define GUARD_WRAP(counter, result, name, parameters, arguments) \
  result __real_##name parameters;                               \
  result __wrap_##name parameters {                              \
    counter(#name);                                              \
    return __real_##name arguments;                              \
  }

extern "C" {
GUARD_WRAP(countAllocation, void*, malloc, (std::size_t n), (n))
GUARD_WRAP(countAllocation, void*, calloc, (std::size_t k, std::size_t n), (k, n))
GUARD_WRAP(countAllocation, void*, realloc, (void* p, std::size_t n), (p, n))
GUARD_WRAP(countAllocation, void*, _Znwm, (std::size_t n), (n))  // operator new
GUARD_WRAP(countAllocation, void*, _Znam, (std::size_t n), (n))  // operator new[]
GUARD_WRAP(countAllocation, void*, _ZnwmRKSt9nothrow_t, (std::size_t n, const std::nothrow_t& t),
           (n, t))
GUARD_WRAP(countAllocation, void*, _ZnamRKSt9nothrow_t, (std::size_t n, const std::nothrow_t& t),
           (n, t))
GUARD_WRAP(countBlocking, int, pthread_mutex_lock, (pthread_mutex_t * m), (m))
GUARD_WRAP(countBlocking, int, pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m))
GUARD_WRAP(countBlocking, int, pthread_cond_timedwait,
           (pthread_cond_t * c, pthread_mutex_t* m, const timespec* until), (c, m, until))
GUARD_WRAP(countBlocking, int, pthread_cond_broadcast, (pthread_cond_t * c), (c))
GUARD_WRAP(countBlocking, int, pthread_cond_signal, (pthread_cond_t * c), (c))
GUARD_WRAP(countBlocking, int, sem_wait, (sem_t * s), (s))
}  // extern "C"
