// Test files for the audio-file tests: WAV files made at test time by sox (an
// independent tool) and read back through sox and soxi, and small files built
// byte by byte for damaged-input cases, all in a folder removed afterwards.
#pragma once

#include <gtest/gtest.h>
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
  explicit TempDir(const std::string& tag)
      : path_(std::filesystem::path(::testing::TempDir()) /
              ("cantora_" + tag + "_" + std::to_string(::getpid()))) {
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

inline std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A file of 16-bit little-endian samples (this machine's order).
inline std::vector<std::int16_t> readSamples(const std::string& path) {
  const std::vector<unsigned char> bytes = readFile(path);
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// `frames` frames of two sines (channel 2 differs, so a swap shows) in the
// given sample format. The shape goes on the null input too, so sox does not
// resample.
inline bool soxSynth(const std::string& path, unsigned rate, unsigned channels,
                     unsigned long frames, const std::string& format = "-b 16 -e signed-integer",
                     const std::string& type = "") {
  const std::string shape = "-r " + std::to_string(rate) + " -c " + std::to_string(channels);
  return std::system(("sox -D " + shape + " -n " + shape + " " + format + " " + type + " '" + path +
                      "' synth " + std::to_string(frames) +
                      "s sine 441 sine 1234 vol 0.9 2>/dev/null")
                         .c_str()) == 0;
}

// The samples of any file as sox decodes them to 16 bits, interleaved.
inline std::vector<std::int16_t> soxSamples(const std::string& path) {
  const std::string raw = path + ".raw";
  if (std::system(
          ("sox -D '" + path + "' -t raw -e signed-integer -b 16 -L '" + raw + "'").c_str()) != 0)
    return {};
  const std::vector<std::int16_t> samples = readSamples(raw);
  std::remove(raw.c_str());
  return samples;
}

// One soxi field ("-c", "-r", "-s") of a file, as text.
inline std::string soxi(const std::string& option, const std::string& path) {
  std::string out;
  if (std::FILE* p = ::popen(("soxi " + option + " '" + path + "' 2>/dev/null").c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    ::pclose(p);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

inline void putLe(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

inline std::uint32_t getLe32(const std::vector<unsigned char>& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// A canonical 16-bit PCM WAV file (44-byte header) holding `samples`.
inline std::vector<unsigned char> pcmWav(unsigned channels, unsigned rate,
                                         const std::vector<std::int16_t>& samples) {
  std::vector<unsigned char> b(44 + samples.size() * 2);
  std::memcpy(&b[0], "RIFF....WAVEfmt ", 16);
  putLe(b, 4, static_cast<std::uint32_t>(b.size() - 8));
  putLe(b, 16, 16);
  putLe(b, 20, 1, 2);
  putLe(b, 22, channels, 2);
  putLe(b, 24, rate);
  putLe(b, 28, rate * channels * 2);
  putLe(b, 32, channels * 2, 2);
  putLe(b, 34, 16, 2);
  std::memcpy(&b[36], "data", 4);
  putLe(b, 40, static_cast<std::uint32_t>(samples.size() * 2));
  if (!samples.empty()) std::memcpy(&b[44], samples.data(), samples.size() * 2);
  return b;
}

}  // namespace testfiles
