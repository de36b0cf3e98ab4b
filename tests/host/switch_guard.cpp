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
extern "C" {

void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void* __real__Znwm(std::size_t size);
void* __real__Znam(std::size_t size);
void* __real__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag);
void* __real__ZnamRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag);
int __real_pthread_mutex_lock(pthread_mutex_t* mutex);
int __real_pthread_cond_wait(pthread_cond_t* cond, pthread_mutex_t* mutex);
int __real_pthread_cond_timedwait(pthread_cond_t* cond, pthread_mutex_t* mutex,
                                  const timespec* until);
int __real_pthread_cond_broadcast(pthread_cond_t* cond);
int __real_pthread_cond_signal(pthread_cond_t* cond);
int __real_sem_wait(sem_t* semaphore);

void* __wrap_malloc(std::size_t size) {
  countAllocation("malloc");
  return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
  countAllocation("calloc");
  return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
  countAllocation("realloc");
  return __real_realloc(block, size);
}
void* __wrap__Znwm(std::size_t size) {
  countAllocation("operator new");
  return __real__Znwm(size);
}
void* __wrap__Znam(std::size_t size) {
  countAllocation("operator new[]");
  return __real__Znam(size);
}
void* __wrap__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag) {
  countAllocation("operator new (nothrow)");
  return __real__ZnwmRKSt9nothrow_t(size, tag);
}
void* __wrap__ZnamRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag) {
  countAllocation("operator new[] (nothrow)");
  return __real__ZnamRKSt9nothrow_t(size, tag);
}
int __wrap_pthread_mutex_lock(pthread_mutex_t* mutex) {
  countBlocking("pthread_mutex_lock");
  return __real_pthread_mutex_lock(mutex);
}
int __wrap_pthread_cond_wait(pthread_cond_t* cond, pthread_mutex_t* mutex) {
  countBlocking("pthread_cond_wait");
  return __real_pthread_cond_wait(cond, mutex);
}
int __wrap_pthread_cond_timedwait(pthread_cond_t* cond, pthread_mutex_t* mutex,
                                  const timespec* until) {
  countBlocking("pthread_cond_timedwait");
  return __real_pthread_cond_timedwait(cond, mutex, until);
}
// A broadcast or signal is no wait, but it pairs with a mutex the waiter holds.
int __wrap_pthread_cond_broadcast(pthread_cond_t* cond) {
  countBlocking("pthread_cond_broadcast");
  return __real_pthread_cond_broadcast(cond);
}
int __wrap_pthread_cond_signal(pthread_cond_t* cond) {
  countBlocking("pthread_cond_signal");
  return __real_pthread_cond_signal(cond);
}
int __wrap_sem_wait(sem_t* semaphore) {
  countBlocking("sem_wait");
  return __real_sem_wait(semaphore);
}

}  // extern "C"
