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

// Little-endian bytes of `v`, `bytes` wide, appended to `b`.
inline void appendLe(std::vector<unsigned char>& b, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// 16-bit samples as little-endian bytes.
inline std::vector<unsigned char> samplesLe(const std::vector<std::int16_t>& samples) {
  std::vector<unsigned char> b;
  for (std::int16_t v : samples) appendLe(b, static_cast<std::uint16_t>(v), 2);
  return b;
}

struct Chunk {
  std::string id;  // four characters
  std::vector<unsigned char> body;
  // The size written in the chunk header; the body's size when left at -1.
  std::int64_t declared = -1;
};

// A RIFF file of the given chunks in order, each odd-sized body followed by
// its pad byte unless `pad` is false.
inline std::vector<unsigned char> riffFile(const std::vector<Chunk>& chunks,
                                           const char* form = "WAVE", bool pad = true) {
  std::vector<unsigned char> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(form[i]));
  for (const Chunk& c : chunks) {
    b.insert(b.end(), c.id.begin(), c.id.end());
    appendLe(b, c.declared >= 0 ? static_cast<std::uint64_t>(c.declared) : c.body.size(), 4);
    b.insert(b.end(), c.body.begin(), c.body.end());
    if (pad && (c.body.size() & 1) != 0) b.push_back(0);
  }
  putLe(b, 4, static_cast<std::uint32_t>(b.size() - 8));
  return b;
}

// A "fmt " chunk; a non-zero `subFormat` makes it WAVE_FORMAT_EXTENSIBLE with
// that format tag in its sub-format GUID.
inline Chunk fmtChunk(std::uint16_t tag, unsigned channels, unsigned rate, unsigned bits,
                      std::uint16_t subFormat = 0) {
  Chunk c{"fmt ", {}};
  const unsigned align = channels * bits / 8;
  appendLe(c.body, subFormat != 0 ? 0xFFFE : tag, 2);
  appendLe(c.body, channels, 2);
  appendLe(c.body, rate, 4);
  appendLe(c.body, std::uint64_t{rate} * align, 4);
  appendLe(c.body, align, 2);
  appendLe(c.body, bits, 2);
  if (subFormat != 0) {
    appendLe(c.body, 22, 2);
    appendLe(c.body, bits, 2);  // valid bits
    appendLe(c.body, channels == 1 ? 4 : 3, 4);
    appendLe(c.body, subFormat, 2);
    const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    c.body.insert(c.body.end(), tail, tail + 14);
  }
  return c;
}

// A canonical 16-bit PCM WAV file (44-byte header) holding `samples`.
inline std::vector<unsigned char> pcmWav(unsigned channels, unsigned rate,
                                         const std::vector<std::int16_t>& samples) {
  return riffFile({fmtChunk(1, channels, rate, 16), {"data", samplesLe(samples)}});
}

// MPEG frame header words and frames made of a header and zero bytes: side
// information of zeros decodes to silence.
inline void appendMpegFrame(std::vector<unsigned char>& out, std::uint32_t word,
                            std::uint32_t length) {
  const std::size_t at = out.size();
  out.resize(at + length, 0);
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(word >> (24 - 8 * i));
}

// An ID3v2 tag of `size` bytes in all (the 10-byte header included).
inline std::vector<unsigned char> id3v2Tag(std::uint32_t size) {
  const std::uint32_t body = size - 10;
  std::vector<unsigned char> b = {'I',
                                  'D',
                                  '3',
                                  3,
                                  0,
                                  0,
                                  static_cast<unsigned char>((body >> 21) & 0x7F),
                                  static_cast<unsigned char>((body >> 14) & 0x7F),
                                  static_cast<unsigned char>((body >> 7) & 0x7F),
                                  static_cast<unsigned char>(body & 0x7F)};
  b.resize(size, 0);
  return b;
}

}  // namespace testfiles
