// Layer III decoding speed: a ten-minute 128 kbit/s joint-stereo 44100 Hz
// stream (synthesised and encoded by lame at run time) decoded to 16-bit PCM,
// against real time and against mpg123 decoding the same file in the same run.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audiofile/layer3_decoder.h"
#include "audiofile/mpeg_header.h"
#include "audiofile/mpeg_scan.h"
#include "platform/mapped_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned RATE = 44100;
constexpr unsigned SECONDS = 600;
constexpr int ROUNDS = 3;

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool run(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Chords that change every second, with drum-like noise bursts: enough
// transients for short blocks and enough variety for the bit reservoir.
bool writeSource(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  const std::uint32_t dataBytes = SECONDS * RATE * 4;
  unsigned char header[44] = {
      'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16,  0,   0, 0, 1, 0,
      2,   0,   0,   0,   0, 0, 0, 0, 0,   0,   4,   0,   16,  0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
  auto put = [&header](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  put(4, dataBytes + 36);
  put(24, RATE);
  put(28, RATE * 4);
  put(40, dataBytes);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  const double pi = 3.141592653589793;
  std::vector<std::int16_t> second(RATE * 2);
  for (unsigned s = 0; s < SECONDS; ++s) {
    const double root = 110.0 * std::pow(2.0, (s * 5 % 12) / 12.0);
    for (unsigned i = 0; i < RATE; ++i) {
      const double t = s + static_cast<double>(i) / RATE;
      const double beat = std::exp(-static_cast<double>(i % (RATE / 4)) / 800.0);
      for (unsigned ch = 0; ch < 2; ++ch) {
        double v = 0.18 * std::sin(2 * pi * root * t) + 0.12 * std::sin(2 * pi * root * 1.25 * t) +
                   0.1 * std::sin(2 * pi * root * (ch ? 3.0 : 1.5) * t) +
                   0.35 * beat * noise(random);
        second[2 * i + ch] =
            static_cast<std::int16_t>(std::lround(std::max(-1.0, std::min(1.0, v)) * 32000));
      }
    }
    out.write(reinterpret_cast<const char*>(second.data()),
              static_cast<std::streamsize>(second.size() * 2));
  }
  return static_cast<bool>(out);
}

// Scans and decodes the whole file as the importer does; the checksum keeps
// the work from being optimised away.
double decodeOurs(const std::string& path, std::uint64_t& checksum) {
  const auto start = Clock::now();
  auto file = platform::MappedFile::map(path.c_str());
  audiofile::MpegScan scan;
  if (file->size() == 0 || scan.scan(file->data(), static_cast<std::uint32_t>(file->size())) == 0)
    return -1;
  const std::uint32_t count = scan.frameCount();
  std::vector<const unsigned char*> starts(count);
  std::vector<std::uint32_t> lengths(count);
  std::vector<std::uint32_t> taken(count, 0);
  for (std::uint32_t i = 0; i < count; ++i) {
    starts[i] = scan.frameStart(i);
    lengths[i] = scan.frameLength(i);
  }
  const audiofile::MpegHeader first =
      audiofile::decodeMpegHeader(audiofile::headerWordAt(starts[0]));
  auto decoder = audiofile::Layer3Decoder::create(starts.data(), lengths.data(), taken.data(),
                                                  count, first.mpeg1, first.rateIndex,
                                                  static_cast<int>(scan.channels()));
  std::vector<std::int16_t> pcm(std::size_t{scan.frames()} * scan.channels() + 2304);
  std::size_t filled = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t produced = 0;
    decoder->decode(i, pcm.data() + filled, &produced);
    filled += produced / 2;
  }
  const double elapsed = since(start);
  for (std::size_t i = 0; i < filled; i += 997) checksum += static_cast<std::uint16_t>(pcm[i]);
  return elapsed;
}

}  // namespace

int main() {
  const std::string dir = "/tmp/cantora_mpeg_bench_" + std::to_string(::getpid());
  const std::string wav = dir + "/source.wav";
  const std::string mp3 = dir + "/ten_minutes.mp3";
  if (!run("mkdir -p '" + dir + "'")) return 1;
  std::printf("encoding %u s of 44100 Hz stereo with lame -b 128 -m j ...\n", SECONDS);
  if (!writeSource(wav) || !run("lame --quiet -b 128 -m j '" + wav + "' '" + mp3 + "'")) {
    std::printf("could not make the stream (is lame installed?)\n");
    run("rm -rf '" + dir + "'");
    return 1;
  }
  double ours = 1e30;
  double reference = 1e30;
  std::uint64_t checksum = 0;
  for (int round = 0; round < ROUNDS; ++round) {
    ours = std::min(ours, decodeOurs(mp3, checksum));
    const auto start = Clock::now();
    const bool ok = run("mpg123 -q -s '" + mp3 + "' > /dev/null");
    if (ok) reference = std::min(reference, since(start));
  }
  std::printf("cantora Layer III decoder: %.3f s for %u s of audio (%.1f x real time)\n", ours,
              SECONDS, SECONDS / ours);
  if (reference < 1e29) {
    std::printf("mpg123 -q -s:              %.3f s (%.1f x real time)\n", reference,
                SECONDS / reference);
    std::printf("ratio ours / mpg123:       %.2f\n", ours / reference);
  } else {
    std::printf("mpg123 not available: no comparison\n");
  }
  std::printf("(checksum %llu)\n", static_cast<unsigned long long>(checksum));
  run("rm -rf '" + dir + "'");
  return 0;
}
