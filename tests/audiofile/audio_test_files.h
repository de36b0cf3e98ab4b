// Test files for the audio-file tests: WAV files made at test time by sox (an
// independent tool), read back through sox or soxi, and small files built
// byte by byte for damaged-input cases. Everything lives in a folder of its
// own under the test temp dir, removed when the holder goes.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testfiles {

class TempDir {
 public:
  explicit TempDir(const std::string& tag) {
    path_ = std::filesystem::path(::testing::TempDir()) /
            ("cantora_" + tag + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline bool run(const std::string& command) {
  return std::system((command + " 2>/dev/null").c_str()) == 0;
}

inline std::string capture(const std::string& command) {
  std::string out;
  if (std::FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

inline std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A sox-made WAV file of `frames` frames of two sines (channel 2 at another
// pitch, so a swapped channel shows) with the given sample format arguments.
inline bool soxSynth(const std::string& path, unsigned rate, unsigned channels,
                     unsigned long frames, const std::string& format = "-b 16 -e signed-integer",
                     const std::string& type = "") {
  // The rate and channels go on the null input too, so sox does not resample.
  const std::string shape = "-r " + std::to_string(rate) + " -c " + std::to_string(channels);
  const std::string cmd = "sox -D " + shape + " -n " + shape + " " + format + " " + type + " '" +
                          path + "' synth " + std::to_string(frames) +
                          "s sine 441 sine 1234 vol 0.9";
  return run(cmd);
}

// The 16-bit samples of any file sox reads, interleaved, as sox decodes them.
inline std::vector<std::int16_t> soxSamples(const std::string& path) {
  const std::string raw = path + ".raw";
  std::vector<std::int16_t> samples;
  if (!run("sox -D '" + path + "' -t raw -e signed-integer -b 16 -L '" + raw + "'")) return samples;
  const std::vector<unsigned char> bytes = readFile(raw);
  samples.resize(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  std::remove(raw.c_str());
  return samples;
}

inline std::string soxi(const std::string& option, const std::string& path) {
  return capture("soxi " + option + " '" + path + "'");
}

inline void putLe16(std::vector<unsigned char>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}

inline void putLe32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

inline std::uint32_t getLe32(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16)) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// A canonical 44-byte-header 16-bit PCM WAV file holding `samples`.
inline std::vector<unsigned char> pcmWav(unsigned channels, unsigned rate,
                                         const std::vector<std::int16_t>& samples) {
  std::vector<unsigned char> b(44 + samples.size() * 2);
  std::memcpy(&b[0], "RIFF", 4);
  putLe32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
  std::memcpy(&b[8], "WAVEfmt ", 8);
  putLe32(b, 16, 16);
  putLe16(b, 20, 1);
  putLe16(b, 22, static_cast<std::uint16_t>(channels));
  putLe32(b, 24, rate);
  putLe32(b, 28, rate * channels * 2);
  putLe16(b, 32, static_cast<std::uint16_t>(channels * 2));
  putLe16(b, 34, 16);
  std::memcpy(&b[36], "data", 4);
  putLe32(b, 40, static_cast<std::uint32_t>(samples.size() * 2));
  if (!samples.empty()) std::memcpy(&b[44], samples.data(), samples.size() * 2);
  return b;
}

}  // namespace testfiles
