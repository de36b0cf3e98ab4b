#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(Event, StaysSetUntilResetAndWakesEveryWaiter) {
  platform::Event ev;
  EXPECT_FALSE(ev.waitFor(1ms));
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i)
    waiters.emplace_back([&] {
      ev.wait();
      ++woken;
    });
  std::this_thread::sleep_for(10ms);
  EXPECT_EQ(woken.load(), 0);
  ev.set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken.load(), 4);
  // manual reset: a later wait returns at once until reset
  EXPECT_TRUE(ev.waitFor(0ms));
  ev.reset();
  EXPECT_FALSE(ev.isSet());
  EXPECT_FALSE(ev.waitFor(1ms));
}

TEST(Event, SetBeforeWaitIsNotLost) {
  platform::Event ev(true);
  EXPECT_TRUE(ev.isSet());
  ev.wait();  // returns at once
  platform::Event later;
  std::thread setter([&] { later.set(); });
  EXPECT_TRUE(later.waitFor(5s));
  setter.join();
}
