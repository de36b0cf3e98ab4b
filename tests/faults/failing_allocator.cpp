#include "failing_allocator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace faulttest {

namespace {

constexpr std::uint64_t MAX_SWEEP_RUNS = 100000;

std::atomic<std::uint64_t> failAt_{0};
std::atomic<std::uint64_t> seen_{0};
std::atomic<bool> failed_{false};
thread_local int uncounted_ = 0;

// For the replaced operator new: whether this allocation is the armed one.
bool failsNow() {
  if (uncounted_ > 0 || failAt_.load(std::memory_order_relaxed) == 0) return false;
  if (seen_.fetch_add(1) + 1 != failAt_.load()) return false;
  failed_ = true;
  return true;
}

void armAllocationFailure(std::uint64_t failAt) {
  seen_ = 0;
  failed_ = false;
  failAt_ = failAt;
}

// Disarms; true when the armed allocation was reached and failed.
bool disarmAllocationFailure() {
  failAt_ = 0;
  return failed_;
}

}  // namespace

Uncounted::Uncounted() {
  ++uncounted_;
}

Uncounted::~Uncounted() {
  --uncounted_;
}

SweepCounts sweepAllocations(const char* what, const SweepRun& run) {
  SweepCounts counts;
  for (std::uint64_t failAt = 1; failAt < MAX_SWEEP_RUNS; ++failAt) {
    SCOPED_TRACE("allocation " + std::to_string(failAt) + " failing");
    if (run.prepare) run.prepare();
    bool threw = false;
    armAllocationFailure(failAt);
    try {
      run.act();
    } catch (const std::exception&) {
      threw = true;
    }
    const bool failed = disarmAllocationFailure();
    EXPECT_FALSE(threw);
    const Outcome outcome = run.check();
    if (!failed) {
      // Past the last allocation: the run went through untouched.
      EXPECT_EQ(outcome, Outcome::Survived);
      EXPECT_GT(failAt, 1u);
      break;
    }
    ++counts.failed;
    ++(outcome == Outcome::Refused          ? counts.refused
       : outcome == Outcome::RefusedQuietly ? counts.refusedQuietly
                                            : counts.survived);
  }
  std::printf(
      "%s: %d allocations failed in turn: %d refused with a message, %d refused "
      "quietly, %d survived\n",
      what, counts.failed, counts.refused, counts.refusedQuietly, counts.survived);
  return counts;
}

namespace {

void* allocate(std::size_t size) {
  if (failsNow()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* allocateOrThrow(std::size_t size) {
  void* p = allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

}  // namespace faulttest

void* operator new(std::size_t size) {
  return faulttest::allocateOrThrow(size);
}
void* operator new[](std::size_t size) {
  return faulttest::allocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return faulttest::allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return faulttest::allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void* operator new(std::size_t size, std::align_val_t align) {
  if (faulttest::failsNow()) throw std::bad_alloc();
  const auto a = static_cast<std::size_t>(align);
  void* p = std::aligned_alloc(a, (size + a - 1) / a * a);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
// Called when a constructor throws out of a nothrow new expression.
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
