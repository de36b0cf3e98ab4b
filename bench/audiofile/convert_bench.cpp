// Rate conversion of one hour of 48000 Hz stereo to 44100 Hz through the
// track source, as an import converts it, reported as times real time on one
// core. The source is a WAV image in memory, so only the conversion is timed.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audiofile/audiofile_constants.h"
#include "audiofile/track_source.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t RATE = 48000;
constexpr std::uint32_t SECONDS = 3600;

void put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

int main() {
  const std::uint64_t frames = std::uint64_t{RATE} * SECONDS;
  const std::uint64_t dataBytes = frames * 4;
  std::vector<unsigned char> image(44 + dataBytes);
  unsigned char* h = image.data();
  std::memcpy(h, "RIFF", 4);
  put32(h + 4, static_cast<std::uint32_t>(image.size() - 8));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put32(h + 16, 16);
  const unsigned char format[16] = {1, 0, 2, 0, 0x80, 0xBB, 0, 0, 0, 0xEE, 2, 0, 4, 0, 16, 0};
  std::memcpy(h + 20, format, 16);
  std::memcpy(h + 36, "data", 4);
  put32(h + 40, static_cast<std::uint32_t>(dataBytes));
  // A sweep-like pattern, so no value repeats in a way the branch predictor
  // could learn.
  std::uint32_t x = 12345;
  for (std::uint64_t i = 0; i < frames * 2; ++i) {
    x = x * 1664525u + 1013904223u;
    const auto v = static_cast<std::int16_t>(x >> 16);
    std::memcpy(h + 44 + 2 * i, &v, 2);
  }

  const auto start = Clock::now();
  auto source = audiofile::openTrackSource(image.data(), image.size());
  if (!source || source->readMode != audiofile::READ_CONVERTED) {
    std::fprintf(stderr, "convert_bench: the source did not open for conversion\n");
    return 1;
  }
  std::vector<std::int16_t> block(2 * audiofile::IMPORT_BLOCK_FRAMES);
  std::uint64_t produced = 0;
  std::uint64_t checksum = 0;
  while (std::uint32_t n = source->readBlock(block.data())) {
    produced += n;
    checksum += static_cast<std::uint16_t>(block[n - 1]);
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("Rate conversion 48000 -> 44100 Hz of one hour of stereo\n");
  std::printf("  output frames                  %llu of %llu\n",
              static_cast<unsigned long long>(produced),
              static_cast<unsigned long long>(source->outputFrames));
  std::printf("  time                           %.3f s   (checksum %llu)\n", elapsed,
              static_cast<unsigned long long>(checksum));
  std::printf("  speed                          %.0f x real time   (aim: at least 300)\n",
              SECONDS / elapsed);
  return 0;
}
