#include "audiofile/rate_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "audiofile/audiofile_constants.h"

namespace {

using audiofile::IMPORT_BLOCK_FRAMES;

// The whole source in memory, as a PCM data chunk is: never refilled.
class WholeWindow : public audiofile::ConverterWindow {
 public:
  WholeWindow(std::vector<std::int16_t> samples, unsigned channels)
      : samples_(std::move(samples)), channels_(channels) {}
  bool reset(std::uint32_t history) override {
    limit_ = static_cast<std::int64_t>(samples_.size()) - history;
    return true;
  }
  const unsigned char* samples() const override {
    return reinterpret_cast<const unsigned char*>(samples_.data());
  }
  std::int64_t limit() const override { return limit_; }
  bool refill() override { return false; }

 private:
  std::vector<std::int16_t> samples_;
  unsigned channels_;
  std::int64_t limit_ = -1;
};

// A window that sees the source a chunk of frames at a time, two chunks after
// a reset and one more per refill with the history carried over, the way a
// decoder's frames arrive.
class ChunkedWindow : public audiofile::ConverterWindow {
 public:
  ChunkedWindow(std::vector<std::int16_t> source, unsigned channels, std::size_t chunkFrames)
      : source_(std::move(source)), chunk_(chunkFrames * channels) {}
  bool reset(std::uint32_t history) override {
    history_ = history;
    next_ = 0;
    window_.clear();
    const std::size_t first = take(window_);
    const std::size_t second = take(window_);
    limit_ = static_cast<std::int64_t>(first + second) - history;
    return true;
  }
  const unsigned char* samples() const override {
    return reinterpret_cast<const unsigned char*>(window_.data());
  }
  std::int64_t limit() const override { return limit_; }
  bool refill() override {
    std::vector<std::int16_t> next(window_.begin() + limit_, window_.begin() + limit_ + history_);
    const std::size_t got = take(next);
    if (got == 0) return false;
    window_ = std::move(next);
    limit_ = static_cast<std::int64_t>(got);
    ++refills;
    return true;
  }
  int refills = 0;

 private:
  std::size_t take(std::vector<std::int16_t>& into) {
    const std::size_t n = std::min(chunk_, source_.size() - next_);
    into.insert(into.end(), source_.begin() + static_cast<std::ptrdiff_t>(next_),
                source_.begin() + static_cast<std::ptrdiff_t>(next_ + n));
    next_ += n;
    return n;
  }
  std::vector<std::int16_t> source_;
  std::vector<std::int16_t> window_;
  std::size_t chunk_;
  std::size_t next_ = 0;
  std::uint32_t history_ = 0;
  std::int64_t limit_ = -1;
};

struct Converted {
  std::vector<std::int16_t> samples;       // every block, padding included
  std::vector<std::uint32_t> blockFrames;  // what each read returned, up to the first 0
  std::uint64_t total = 0;
};

Converted convert(audiofile::ConverterWindow& window, unsigned channels, std::uint32_t frames,
                  unsigned rate) {
  Converted out;
  auto converter =
      audiofile::RateConverter::create(window, channels, frames, 44100.0 / rate, rate / 44100.0);
  EXPECT_NE(converter, nullptr);
  if (!converter) return out;
  out.total = converter->outputTotal();
  std::vector<std::int16_t> block(channels * IMPORT_BLOCK_FRAMES);
  for (;;) {
    std::fill(block.begin(), block.end(), std::int16_t{0x1234});
    const std::uint32_t n = converter->readBlock(block.data());
    if (n == 0) break;
    out.blockFrames.push_back(n);
    out.samples.insert(out.samples.end(), block.begin(), block.end());
  }
  // Once complete, reads write nothing.
  std::fill(block.begin(), block.end(), std::int16_t{0x1234});
  EXPECT_EQ(converter->readBlock(block.data()), 0u);
  EXPECT_EQ(block[0], 0x1234);
  return out;
}

Converted convertWhole(const std::vector<std::int16_t>& source, unsigned channels, unsigned rate) {
  WholeWindow window(source, channels);
  return convert(window, channels, static_cast<std::uint32_t>(source.size() / channels), rate);
}

std::vector<std::int16_t> noise(std::size_t count, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(-32768, 32767);
  std::vector<std::int16_t> v(count);
  for (auto& s : v) s = static_cast<std::int16_t>(dist(gen));
  return v;
}

// The cosine start and the cubic, written out from their definitions.
double cosineStereo(double a, double b, double f) {
  const double w = (1 - std::cos(f * 3.14159265359)) / 2;
  return 32767 * ((a / 32767) * (1 - w) + (b / 32767) * w);
}
double cubicValue(double y0, double y1, double y2, double y3, double mu, double scale) {
  y0 *= scale, y1 *= scale, y2 *= scale, y3 *= scale;
  const double a0 = y3 - y2 - y0 + y1;
  return 32767 * (a0 * mu * mu * mu + (y0 - y1 - a0) * mu * mu + (y2 - y0) * mu + y1);
}
int clampTrunc(double v) {
  return static_cast<int>(std::max(-32767.0, std::min(32767.0, v)));
}

TEST(RateConverter, StartsWithCosineThenCubicOnTheRightNeighbours) {
  const unsigned rate = 48000;
  const std::vector<std::int16_t> source = noise(2 * 200, 1);
  const Converted out = convertWhole(source, 2, rate);
  const double step = rate / 44100.0;
  auto s = [&](std::size_t frame, int ch) { return static_cast<double>(source[2 * frame + ch]); };
  // Frame 0 is copied; frame 1 (position 1.088...) lies within the first two
  // frames and comes from the cosine between frames 1 and 2.
  EXPECT_EQ(out.samples[0], source[0]);
  EXPECT_EQ(out.samples[1], source[1]);
  for (int ch = 0; ch < 2; ++ch)
    EXPECT_EQ(out.samples[2 + ch], clampTrunc(cosineStereo(s(1, ch), s(2, ch), step - 1)));
  // Further on, each channel comes from frames i-1 .. i+2 of that channel.
  double pos = 2 * step;
  for (std::size_t k = 2; k < 150; ++k, pos += step) {
    const auto i = static_cast<std::size_t>(std::floor(pos));
    const double f = pos - std::floor(pos);
    for (int ch = 0; ch < 2; ++ch) {
      const int expected = f == 0 ? source[2 * i + ch]
                                  : clampTrunc(cubicValue(s(i - 1, ch), s(i, ch), s(i + 1, ch),
                                                          s(i + 2, ch), f, 1 / 32767.0));
      ASSERT_NEAR(out.samples[2 * k + ch], expected, 1) << "frame " << k << " channel " << ch;
    }
  }
}

TEST(RateConverter, HalfRateDoublesAndCopiesEverySecondFrame) {
  for (unsigned channels : {1u, 2u}) {
    SCOPED_TRACE(channels);
    const std::uint32_t frames = 5000;
    const std::vector<std::int16_t> source = noise(frames * channels, 2);
    const Converted out = convertWhole(source, channels, 22050);
    EXPECT_EQ(out.total, 2u * frames);
    // Output ends where frame i + 2 would leave the data: position frames - 3 + 0.5.
    std::uint64_t produced = 0;
    for (auto n : out.blockFrames) produced += n;
    EXPECT_EQ(produced, 2u * (frames - 3) + 2);
    for (std::size_t k = 0; k < produced; k += 2)
      for (unsigned ch = 0; ch < channels; ++ch)
        ASSERT_EQ(out.samples[k * channels + ch], source[k / 2 * channels + ch]) << k;
    // The start writes positions 0.5 and 1.5 as the cosine midpoint (w = 1/2).
    if (channels == 1) {
      EXPECT_EQ(out.samples[1],
                static_cast<int>(std::floor(
                    32767 * ((source[0] / 32768.0) * 0.5 + (source[1] / 32768.0) * 0.5))));
      EXPECT_EQ(out.samples[3],
                static_cast<int>(std::floor(
                    32767 * ((source[1] / 32768.0) * 0.5 + (source[2] / 32768.0) * 0.5))));
    } else {
      EXPECT_EQ(out.samples[2], clampTrunc(cosineStereo(source[0], source[2], 0.5)));
      EXPECT_EQ(out.samples[3], clampTrunc(cosineStereo(source[1], source[3], 0.5)));
    }
    // Everything after the last output frame is zero.
    EXPECT_TRUE(std::all_of(out.samples.begin() + static_cast<std::ptrdiff_t>(produced * channels),
                            out.samples.end(), [](std::int16_t v) { return v == 0; }));
  }
}

TEST(RateConverter, ClampsToPlusMinus32767) {
  // Overshooting neighbours around f = 0.5 (every odd output at 22050 Hz).
  std::vector<std::int16_t> up = {0, 0, -32768, 32767, 32767, -32768, 0, 0, 0, 0};
  std::vector<std::int16_t> down = {0, 0, 32767, -32768, -32768, 32767, 0, 0, 0, 0};
  EXPECT_EQ(convertWhole(up, 1, 22050).samples[7], 32767);
  EXPECT_EQ(convertWhole(down, 1, 22050).samples[7], -32767);
  // A stereo run of -32768 interpolates to -32768 x 32768/32767 scaled back,
  // which must come out as -32767, while copied frames keep -32768.
  std::vector<std::int16_t> low(2 * 40, -32768);
  const Converted out = convertWhole(low, 2, 22050);
  EXPECT_EQ(out.samples[2 * 10], -32768);
  EXPECT_EQ(out.samples[2 * 11], -32767);
  EXPECT_EQ(out.samples[2 * 11 + 1], -32767);
}

TEST(RateConverter, MonoComesOutAt32767Over32768OfStereo) {
  const std::vector<std::int16_t> mono = noise(3000, 3);
  std::vector<std::int16_t> stereo(2 * mono.size());
  for (std::size_t i = 0; i < mono.size(); ++i) stereo[2 * i] = stereo[2 * i + 1] = mono[i];
  const Converted m = convertWhole(mono, 1, 48000);
  const Converted s = convertWhole(stereo, 2, 48000);
  ASSERT_EQ(m.blockFrames, s.blockFrames);
  int differing = 0;
  for (std::size_t k = 2; k < m.blockFrames[0]; ++k) {
    ASSERT_NEAR(m.samples[k], s.samples[2 * k] * (32767.0 / 32768.0), 1.0) << k;
    EXPECT_EQ(s.samples[2 * k], s.samples[2 * k + 1]);
    differing += m.samples[k] != s.samples[2 * k];
  }
  EXPECT_GT(differing, 100) << "mono and stereo must not be normalised alike";
}

TEST(RateConverter, PcmSourceEndsWhereTheWindowWouldLeaveTheData) {
  const std::uint32_t frames = 20000;
  const Converted out = convertWhole(noise(2 * frames, 4), 2, 48000);
  EXPECT_EQ(out.total, static_cast<std::uint64_t>(std::floor(frames * 44100.0 / 48000)));
  // The last frame written is the last whose position has floor <= frames - 3.
  std::uint64_t expected = 0;
  for (double pos = 0; std::floor(pos) <= frames - 3; pos += 48000 / 44100.0) ++expected;
  std::uint64_t produced = 0;
  for (auto n : out.blockFrames) produced += n;
  EXPECT_EQ(produced, expected);
  EXPECT_LT(produced, out.total);
  ASSERT_EQ(out.blockFrames.size(), (expected + IMPORT_BLOCK_FRAMES - 1) / IMPORT_BLOCK_FRAMES);
  for (std::size_t b = 0; b + 1 < out.blockFrames.size(); ++b)
    EXPECT_EQ(out.blockFrames[b], IMPORT_BLOCK_FRAMES);
}

TEST(RateConverter, ARefilledWindowGivesTheSameOutputAsTheWholeSource) {
  for (unsigned rate : {8000u, 16000u, 24000u, 32000u, 48000u}) {
    for (unsigned channels : {1u, 2u}) {
      SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels");
      const std::vector<std::int16_t> source = noise(channels * 10000, rate + channels);
      const Converted whole = convertWhole(source, channels, rate);
      ChunkedWindow chunked(source, channels, 576);
      const Converted refilled = convert(chunked, channels, 10000, rate);
      EXPECT_GT(chunked.refills, 10);
      EXPECT_EQ(refilled.blockFrames, whole.blockFrames);
      EXPECT_EQ(refilled.samples, whole.samples);
    }
  }
}

TEST(RateConverter, FollowsASineClosely) {
  // Plain interpolation of a well-sampled sine stays near the ideal curve: a
  // wrong step, position or neighbour shows as a large error.
  const unsigned rate = 48000;
  const std::uint32_t frames = 48000;
  std::vector<std::int16_t> source(frames);
  for (std::uint32_t i = 0; i < frames; ++i)
    source[i] =
        static_cast<std::int16_t>(std::lround(20000 * std::sin(2 * M_PI * 441.0 * i / rate)));
  const Converted out = convertWhole(source, 1, rate);
  double worst = 0;
  for (std::size_t k = 0; k < 44000; ++k)
    worst =
        std::max(worst, std::abs(out.samples[k] - 20000 * std::sin(2 * M_PI * 441.0 * k / 44100)));
  EXPECT_LT(worst, 200.0);
}

TEST(RateConverter, AWindowWithNothingInItProducesNothing) {
  WholeWindow tiny({1, 2}, 2);
  auto converter = audiofile::RateConverter::create(tiny, 2, 1, 2.0, 0.5);
  ASSERT_NE(converter, nullptr);
  EXPECT_EQ(converter->outputTotal(), 2u);
  std::vector<std::int16_t> block(2 * IMPORT_BLOCK_FRAMES, 99);
  EXPECT_EQ(converter->readBlock(block.data()), 0u);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(converter->readBlock(block.data()), 0u);
}

}  // namespace
