// ProcessBlock must not touch the heap: this executable replaces the global
// operator new and counts every call made while the engine processes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "support/test_signals.h"
#include "tuning/tuning_engine.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
int* volatile kept = nullptr;  // keeps the counter's own check from being optimised away

void* counted(void* p) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  return p;
}

void* orThrow(void* p) {
  if (!p) throw std::bad_alloc();
  return p;
}

// Windows has no aligned_alloc: its aligned blocks come from, and go back
// to, a pair of functions of their own.
void* allocAligned(std::size_t size, std::align_val_t align) {
  const auto a = static_cast<std::size_t>(align);
#ifdef _WIN32
  return counted(_aligned_malloc(size == 0 ? 1 : size, a));
#else
  return counted(std::aligned_alloc(a, (size + a - 1) / a * a));
#endif
}

void freeAligned(void* p) {
#ifdef _WIN32
  _aligned_free(p);
#else
  std::free(p);
#endif
}

}  // namespace

void* operator new(std::size_t size) {
  return orThrow(counted(std::malloc(size == 0 ? 1 : size)));
}
void* operator new[](std::size_t size) {
  return orThrow(counted(std::malloc(size == 0 ? 1 : size)));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return counted(std::malloc(size == 0 ? 1 : size));
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return counted(std::malloc(size == 0 ? 1 : size));
}
void* operator new(std::size_t size, std::align_val_t align) {
  return orThrow(allocAligned(size, align));
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return orThrow(allocAligned(size, align));
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
void operator delete(void* p, std::align_val_t) noexcept {
  freeAligned(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  freeAligned(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  freeAligned(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  freeAligned(p);
}

namespace {

TEST(ProcessBlock, AllocatesNothing) {
  // Voiced and unvoiced stretches, a shift and a Grace: every path of the
  // analysis, the target choice, the snapshots and the grains runs.
  const auto line = testsignals::voice({{{60, 30, 0.4}, {64, -20, 0.4}}, {{57, 10, 0.4}}});
  std::vector<std::int16_t> input = line.samples;
  input.resize((input.size() + 8192) / 1024 * 1024, 0);
  std::vector<std::int16_t> output(input.size());
  tuning::EngineParams params;
  params.noteEnabled = {true,  false, true, true,  false, true,
                        false, true,  true, false, true,  false};
  params.pitchShift = 2;
  params.grace = 40.0f;
  tuning::TuningEngine engine(params, 4096);
  ASSERT_TRUE(engine.ok);

  // The counter itself must see an allocation when one happens.
  counting = true;
  kept = new int(1);
  counting = false;
  delete kept;
  ASSERT_EQ(allocations.load(), 1);
  allocations = 0;

  int voicedHops = 0;
  counting = true;
  for (std::size_t at = 0; at < input.size(); at += 1024) {
    ProcessBlock(engine, input.data() + at, output.data() + at);
    voicedHops += engine.clarity >= engine.voicingThreshold;
  }
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_GT(voicedHops, 20);
  EXPECT_TRUE(std::any_of(output.begin(), output.end(), [](std::int16_t v) { return v != 0; }));
}

}  // namespace
