// MP3 streams made at test time: signals synthesised here (tones with noise
// bursts, so the encoder switches to short blocks and leans on the bit
// reservoir), encoded by lame, and decoded by mpg123 as the independent
// reference. Files live in a folder removed afterwards.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "mpeg_test_util.h"

namespace mpegtest {

inline bool haveTool(const char* name) {
  const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

inline bool run(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("cantora_mp3_" + std::to_string(::getpid()) + "_" + std::to_string(counter()++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  static int& counter() {
    static int value = 0;
    return value;
  }
  std::filesystem::path path_;
};

// Two tones per channel (different in each channel) with a burst of noise
// every quarter second.
inline std::vector<std::int16_t> synthSignal(unsigned rate, unsigned channels, double seconds,
                                             unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> noise(-0.7, 0.7);
  const std::size_t frames = static_cast<std::size_t>(seconds * rate);
  std::vector<std::int16_t> out(frames * channels);
  const double pi = 3.141592653589793;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const bool burst = (i % (rate / 4)) < rate / 200;
    for (unsigned ch = 0; ch < channels; ++ch) {
      double v = 0.25 * std::sin(2 * pi * (330.0 + 110.0 * ch) * t) +
                 0.15 * std::sin(2 * pi * (2500.0 + 700.0 * ch) * t);
      if (burst) v += noise(random);
      out[i * channels + ch] =
          static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 30000));
    }
  }
  return out;
}

inline void writeWav(const std::string& path, unsigned rate, unsigned channels,
                     const std::vector<std::int16_t>& samples) {
  std::vector<unsigned char> b(44 + samples.size() * 2);
  auto put = [&b](std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  std::memcpy(b.data(), "RIFF", 4);
  put(4, static_cast<std::uint32_t>(b.size() - 8), 4);
  std::memcpy(b.data() + 8, "WAVEfmt ", 8);
  put(16, 16, 4);
  put(20, 1, 2);
  put(22, channels, 2);
  put(24, rate, 4);
  put(28, rate * channels * 2, 4);
  put(32, channels * 2, 2);
  put(34, 16, 2);
  std::memcpy(b.data() + 36, "data", 4);
  put(40, static_cast<std::uint32_t>(samples.size() * 2), 4);
  for (std::size_t i = 0; i < samples.size(); ++i)
    put(44 + 2 * i, static_cast<std::uint16_t>(samples[i]), 2);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Encodes a synthesised signal with lame; empty when encoding failed.
inline std::vector<unsigned char> makeMp3(const TempDir& dir, unsigned rate, unsigned channels,
                                          double seconds, const std::string& lameOptions,
                                          unsigned seed = 1) {
  const std::string wav = dir.file("in.wav");
  const std::string mp3 = dir.file("out.mp3");
  writeWav(wav, rate, channels, synthSignal(rate, channels, seconds, seed));
  if (!run("lame --quiet " + lameOptions + " '" + wav + "' '" + mp3 + "'")) return {};
  return readFile(mp3);
}

// mpg123's decoding of a stream: every frame, no gapless trimming.
inline std::vector<std::int16_t> mpg123Decode(const TempDir& dir,
                                              const std::vector<unsigned char>& stream) {
  const std::string mp3 = dir.file("ref.mp3");
  const std::string raw = dir.file("ref.raw");
  std::ofstream(mp3, std::ios::binary)
      .write(reinterpret_cast<const char*>(stream.data()),
             static_cast<std::streamsize>(stream.size()));
  if (!run("mpg123 -q --no-gapless -s '" + mp3 + "' > '" + raw + "'")) return {};
  return readPcm(raw);
}

}  // namespace mpegtest
