#include "failing_allocator.h"

#include <cstdlib>
#include <new>

namespace faulttest {

namespace {

thread_local std::uint64_t failAt_ = 0;
thread_local std::uint64_t seen_ = 0;
thread_local bool failed_ = false;

// True when this allocation is the one to fail.
bool failsNow() {
  if (failAt_ == 0 || failed_) return false;
  if (++seen_ != failAt_) return false;
  failed_ = true;
  return true;
}

}  // namespace

bool failsNowForAligned() {
  return failsNow();
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

void armAllocationFailure(std::uint64_t failAt) {
  failAt_ = failAt;
  seen_ = 0;
  failed_ = false;
}

bool disarmAllocationFailure() {
  failAt_ = 0;
  return failed_;
}

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
  if (faulttest::failsNowForAligned()) throw std::bad_alloc();
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
