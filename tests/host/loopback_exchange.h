// A stream's two callbacks for loopback tests: the output callback plays a
// sequence that is never zero (so where it comes back is plain) and keeps
// what it sent; the input callback keeps what came back, per channel. The callbacks carry no
// pointer: they reach the exchange the test made current.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hosttest {

struct Exchange {
  std::vector<std::int16_t> sent[2], got[2];
  std::atomic<int> outputCalls{0};
  std::atomic<int> inputCalls{0};
  std::uint32_t next = 0;

  Exchange() {
    for (auto& channel : got) channel.reserve(1 << 20);
  }
  static Exchange*& current() {
    static Exchange* exchange = nullptr;
    return exchange;
  }

  static std::int16_t signalAt(std::uint32_t n, int channel) {
    const auto v =
        static_cast<std::int16_t>(1 + (n * 7919u + (channel != 0 ? 4111u : 13u)) % 30000u);
    return channel != 0 ? static_cast<std::int16_t>(-v) : v;
  }
  static std::int32_t send(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
    Exchange& e = *current();
    const std::uint32_t frames = bytesPerChannel / 2;
    for (std::uint32_t i = 0; i < frames; ++i, ++e.next) {
      for (int c = 0; c < 2; ++c) {
        block[c * frames + i] = signalAt(e.next, c);
        e.sent[c].push_back(block[c * frames + i]);
      }
    }
    e.outputCalls.fetch_add(1);
    return 0;
  }
  static std::int32_t receive(std::int16_t* block, std::uint32_t bytesPerChannel, std::uint32_t) {
    Exchange& e = *current();
    const std::uint32_t frames = bytesPerChannel / 2;
    for (int c = 0; c < 2; ++c)
      e.got[c].insert(e.got[c].end(), block + c * frames, block + (c + 1) * frames);
    e.inputCalls.fetch_add(1);
    return 0;
  }

  // Where the first sent frame came back.
  std::size_t latency() const {
    std::size_t at = 0;
    while (at < got[0].size() && got[0][at] == 0) ++at;
    return at;
  }
  // Samples that came back other than they were sent, from the latency on.
  std::size_t mismatches(std::size_t latency) const {
    std::size_t wrong = 0;
    for (int c = 0; c < 2; ++c)
      for (std::size_t i = latency; i < got[c].size(); ++i)
        wrong += i - latency >= sent[c].size() || got[c][i] != sent[c][i - latency];
    return wrong;
  }
};

}  // namespace hosttest
