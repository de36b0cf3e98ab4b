#include "audiofile/rate_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "audiofile/audiofile_constants.h"

namespace {

using audiofile::IMPORT_BLOCK_FRAMES;

// The source seen `chunk` samples at a time: two chunks after a reset and one
// more per refill with the history carried over, the way decoded MPEG frames
// arrive. With a chunk as large as the source it is the whole source at once,
// as a PCM data chunk is.
class TestWindow : public audiofile::ConverterWindow {
 public:
  TestWindow(std::vector<std::int16_t> source, std::size_t chunk)
      : source_(std::move(source)), chunk_(chunk) {}
  bool reset(std::uint32_t history) override {
    history_ = history;
    next_ = 0;
    window_.clear();
    limit_ = static_cast<std::int64_t>(take(window_) + take(window_)) - history;
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
  std::vector<std::int16_t> source_, window_;
  std::size_t chunk_, next_ = 0;
  std::uint32_t history_ = 0;
  std::int64_t limit_ = -1;
};

struct Converted {
  std::vector<std::int16_t> samples;  // every block, padding included
  std::uint64_t produced = 0;         // frames the reads reported
  std::uint64_t total = 0;
  std::size_t blocks = 0;
};

Converted convert(const std::vector<std::int16_t>& source, unsigned channels, unsigned rate,
                  std::size_t chunkFrames = 0, int* refills = nullptr) {
  TestWindow window(source, chunkFrames != 0 ? chunkFrames * channels : source.size());
  Converted out;
  auto converter = audiofile::RateConverter::create(
      window, channels, static_cast<std::uint32_t>(source.size() / channels), 44100.0 / rate,
      rate / 44100.0);
  EXPECT_NE(converter, nullptr);
  out.total = converter->outputTotal();
  std::vector<std::int16_t> block(channels * IMPORT_BLOCK_FRAMES);
  while (std::uint32_t n = converter->readBlock(block.data())) {
    out.produced += n;
    ++out.blocks;
    out.samples.insert(out.samples.end(), block.begin(), block.end());
    std::fill(block.begin(), block.end(), std::int16_t{0x1234});
  }
  // Once complete, reads write nothing.
  EXPECT_EQ(converter->readBlock(block.data()), 0u);
  EXPECT_TRUE(out.blocks == 0 || block[0] == 0x1234);
  if (refills != nullptr) *refills = window.refills;
  return out;
}

std::vector<std::int16_t> noise(std::size_t count, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<std::int16_t> v(count);
  for (auto& s : v) s = static_cast<std::int16_t>(gen());
  return v;
}

// The stereo cosine start and cubic, written out from their definitions.
int cosineStereo(double a, double b, double f) {
  const double w = (1 - std::cos(f * 3.14159265359)) / 2;
  return static_cast<int>(
      std::clamp(32767 * ((a / 32767) * (1 - w) + (b / 32767) * w), -32767.0, 32767.0));
}
int cubicStereo(double y0, double y1, double y2, double y3, double mu) {
  y0 /= 32767, y1 /= 32767, y2 /= 32767, y3 /= 32767;
  const double a0 = y3 - y2 - y0 + y1;
  const double v = a0 * mu * mu * mu + (y0 - y1 - a0) * mu * mu + (y2 - y0) * mu + y1;
  return static_cast<int>(std::clamp(32767 * v, -32767.0, 32767.0));
}

TEST(RateConverter, StartsWithCosineThenCubicOnTheRightNeighbours) {
  const std::vector<std::int16_t> source = noise(2 * 200, 1);
  const Converted out = convert(source, 2, 48000);
  auto s = [&](std::size_t frame, int ch) { return static_cast<double>(source[2 * frame + ch]); };
  const double step = 48000 / 44100.0;
  // Frame 0 is copied; frame 1 (position 1.088...) is the cosine between
  // source frames 1 and 2; from position 2 on each channel is the cubic of
  // frames i-1 .. i+2 of that channel.
  double pos = 0;
  for (std::size_t k = 0; k < 150; ++k, pos += step) {
    const auto i = static_cast<std::size_t>(pos);
    const double f = pos - static_cast<double>(i);
    for (int ch = 0; ch < 2; ++ch) {
      const int expected = k == 0 ? source[ch]
                           : i < 2
                               ? cosineStereo(s(i, ch), s(i + 1, ch), f)
                               : cubicStereo(s(i - 1, ch), s(i, ch), s(i + 1, ch), s(i + 2, ch), f);
      ASSERT_NEAR(out.samples[2 * k + ch], expected, 1) << "frame " << k << " channel " << ch;
    }
  }
}

TEST(RateConverter, HalfRateDoublesAndCopiesEverySecondFrame) {
  for (unsigned channels : {1u, 2u}) {
    SCOPED_TRACE(channels);
    const std::uint32_t frames = 5000;
    const std::vector<std::int16_t> source = noise(frames * channels, 2);
    const Converted out = convert(source, channels, 22050);
    EXPECT_EQ(out.total, 2u * frames);
    // Output ends at position frames - 3 + 0.5, the last whose window fits.
    EXPECT_EQ(out.produced, 2u * (frames - 3) + 2);
    for (std::size_t k = 0; k < out.produced; k += 2)
      for (unsigned ch = 0; ch < channels; ++ch)
        ASSERT_EQ(out.samples[k * channels + ch], source[k / 2 * channels + ch]) << k;
    // The start writes 0.5 and 1.5 as cosine midpoints; mono rounds down.
    for (int k : {1, 3}) {
      const double a = source[(k / 2) * channels], b = source[(k / 2 + 1) * channels];
      const int expected = channels == 1
                               ? static_cast<int>(std::floor(32767 * (a / 32768 + b / 32768) / 2))
                               : cosineStereo(a, b, 0.5);
      EXPECT_EQ(out.samples[k * channels], expected);
    }
    EXPECT_TRUE(
        std::all_of(out.samples.begin() + static_cast<std::ptrdiff_t>(out.produced * channels),
                    out.samples.end(), [](std::int16_t v) { return v == 0; }));
  }
}

TEST(RateConverter, ClampsToPlusMinus32767) {
  // Overshooting neighbours around f = 0.5 (every odd output at 22050 Hz).
  EXPECT_EQ(convert({0, 0, -32768, 32767, 32767, -32768, 0, 0, 0, 0}, 1, 22050).samples[7], 32767);
  EXPECT_EQ(convert({0, 0, 32767, -32768, -32768, 32767, 0, 0, 0, 0}, 1, 22050).samples[7], -32767);
  // A stereo run of -32768 interpolates to -32768 x 32768/32767, which must
  // come out as -32767, while copied frames keep -32768.
  const Converted low = convert(std::vector<std::int16_t>(2 * 40, -32768), 2, 22050);
  EXPECT_EQ(low.samples[2 * 10], -32768);
  EXPECT_EQ(low.samples[2 * 11], -32767);
  EXPECT_EQ(low.samples[2 * 11 + 1], -32767);
}

TEST(RateConverter, MonoComesOutAt32767Over32768OfStereo) {
  const std::vector<std::int16_t> mono = noise(3000, 3);
  std::vector<std::int16_t> stereo(2 * mono.size());
  for (std::size_t i = 0; i < mono.size(); ++i) stereo[2 * i] = stereo[2 * i + 1] = mono[i];
  const Converted m = convert(mono, 1, 48000);
  const Converted s = convert(stereo, 2, 48000);
  ASSERT_EQ(m.produced, s.produced);
  int differing = 0;
  for (std::size_t k = 2; k < m.produced; ++k) {
    ASSERT_NEAR(m.samples[k], s.samples[2 * k] * (32767.0 / 32768.0), 1.0) << k;
    differing += m.samples[k] != s.samples[2 * k];
  }
  EXPECT_GT(differing, 100) << "mono and stereo must not be normalised alike";
}

TEST(RateConverter, ARefilledWindowGivesTheSameOutputAsTheWholeSource) {
  for (unsigned rate : {8000u, 16000u, 24000u, 32000u, 48000u}) {
    for (unsigned channels : {1u, 2u}) {
      SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels");
      const std::vector<std::int16_t> source = noise(channels * 10000, rate + channels);
      int refills = 0;
      const Converted refilled = convert(source, channels, rate, 576, &refills);
      EXPECT_GT(refills, 10);
      EXPECT_EQ(refilled.samples, convert(source, channels, rate).samples);
    }
  }
}

}  // namespace
