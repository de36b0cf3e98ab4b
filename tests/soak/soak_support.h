// What the soaks share: how much audio a run moves, the memory the process
// holds, and a watchdog that ends the test process when the side under test
// stops making progress (a hang shows as an abort naming what was going on,
// a round, a seed, instead of a test that CTest kills without a word).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace soaktest {

// CANTORA_SOAK_SECONDS, the seconds of audio `make soak` asks for; else
// `fallback`, the few seconds' worth `make test` runs.
inline double soakSeconds(double fallback) {
  const char* wanted = std::getenv("CANTORA_SOAK_SECONDS");
  return wanted != nullptr ? std::atof(wanted) : fallback;
}

// The process's resident set, in bytes.
inline std::int64_t residentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  return 0;
}

class Watchdog {
 public:
  // Aborts when `limit` passes without a kick(); `describe` says where the
  // run was (it is called on the watchdog's thread, so it reads only atomics).
  explicit Watchdog(std::chrono::seconds limit, std::function<std::string()> describe = {})
      : limit_(limit), describe_(std::move(describe)), thread_([this] { watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      dismissed_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void kick() {
    std::lock_guard lock(mutex_);
    lastKick_ = std::chrono::steady_clock::now();
  }

 private:
  void watch() {
    std::unique_lock lock(mutex_);
    while (!dismissed_) {
      const auto deadline = lastKick_ + limit_;
      if (std::chrono::steady_clock::now() >= deadline) {
        const std::string where = describe_ ? describe_() : std::string();
        std::fprintf(stderr, "watchdog: no progress for %llds%s%s\n",
                     static_cast<long long>(limit_.count()), where.empty() ? "" : ": ",
                     where.c_str());
        std::abort();
      }
      wake_.wait_until(lock, deadline);
    }
  }

  const std::chrono::seconds limit_;
  const std::function<std::string()> describe_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool dismissed_ = false;
  std::chrono::steady_clock::time_point lastKick_ = std::chrono::steady_clock::now();
  std::thread thread_;
};

}  // namespace soaktest
