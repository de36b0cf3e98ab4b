// Helpers of the MPEG tests: the shared conformance streams, decoding a whole
// stream through the scan and the Layer III decoder, comparing sample runs, and
// MP3 streams made at test time
// (signals synthesised here with noise bursts, so the encoder switches to short
// blocks and leans on the bit reservoir, encoded by lame and decoded by mpg123
// as the independent reference).
#pragma once

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "audiofile/layer3_decoder.h"
#include "audiofile/mpeg_header.h"
#include "audiofile/mpeg_scan.h"

namespace mpegtest {

// A folder named in the environment wins over the one found when configuring.
inline std::string testdataDir() {
  const char* named = std::getenv("CANTORA_TESTDATA_DIR");
  return named != nullptr && *named != '\0' ? named : CANTORA_TESTDATA_DIR;
}

inline const std::string CONFORMANCE_DIR = testdataDir() + "/mp3";

// Empty when the conformance streams are there, otherwise why not.
inline std::string missingConformanceData() {
  if (std::filesystem::exists(CONFORMANCE_DIR + "/README.md")) return {};
  const std::string where = testdataDir() != CANTORA_TESTDATA_DIR
                                ? "the folder CANTORA_TESTDATA_DIR names"
                                : "looked in " CANTORA_TESTDATA_LOOKED
                                  "; CANTORA_TESTDATA_DIR names another folder";
  return "conformance data missing: no " + CONFORMANCE_DIR + "/README.md (" + where + ")";
}

inline bool underCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

// A user's clone may lack the conformance streams, and their tests skip; a CI
// run without them fails, so those tests cannot be lost by a moved folder.
#define CANTORA_NEED_CONFORMANCE_DATA()                                                   \
  if (const std::string missing = mpegtest::missingConformanceData(); !missing.empty()) { \
    if (mpegtest::underCi()) FAIL() << missing;                                           \
    GTEST_SKIP() << missing;                                                              \
  }

struct Frame {
  std::size_t start = 0;
  audiofile::MpegHeader header;
};

// The frames of a bare stream (frame after frame from its first byte), up to
// the first bytes that are no usable header.
inline std::vector<Frame> walkFrames(const std::vector<unsigned char>& bytes) {
  std::vector<Frame> frames;
  for (std::size_t pos = 0; pos + 4 <= bytes.size();) {
    const std::uint32_t word = audiofile::headerWordAt(&bytes[pos]);
    if (!audiofile::isUsableLayer3Header(word)) break;
    frames.push_back({pos, audiofile::decodeMpegHeader(word)});
    pos += audiofile::mpegFrameLength(frames.back().header);
  }
  return frames;
}

struct Decoded {
  std::uint32_t pages = 0;  // what the scan returned
  std::uint32_t rate = 0;
  std::uint32_t channels = 0;
  std::uint32_t frameCount = 0;
  std::uint32_t scanFrames = 0;  // the scan's decoded length in sample frames
  std::vector<int> statuses;     // per decoder call
  std::vector<std::int16_t> samples;
};

// Scans and decodes every indexed frame in order, as the importer does (or
// with the double-precision filterbanks).
inline Decoded decodeStream(const unsigned char* data, std::size_t size,
                            bool referenceArithmetic = false) {
  Decoded result;
  audiofile::MpegScan scan;
  result.pages = scan.scan(data, static_cast<std::uint32_t>(size));
  if (result.pages == 0) return result;
  result.rate = scan.rate();
  result.channels = scan.channels();
  result.frameCount = scan.frameCount();
  result.scanFrames = scan.frames();
  std::vector<const unsigned char*> starts(scan.frameCount());
  std::vector<std::uint32_t> lengths(scan.frameCount());
  std::vector<std::uint32_t> taken(scan.frameCount(), 0);
  for (std::uint32_t i = 0; i < scan.frameCount(); ++i) {
    starts[i] = scan.frameStart(i);
    lengths[i] = scan.frameLength(i);
  }
  const audiofile::MpegHeader first =
      audiofile::decodeMpegHeader(audiofile::headerWordAt(scan.frameStart(0)));
  auto decoder = audiofile::Layer3Decoder::create(starts.data(), lengths.data(), taken.data(),
                                                  scan.frameCount(), first.mpeg1, first.rateIndex,
                                                  static_cast<int>(scan.channels()));
  decoder->setReferenceArithmetic(referenceArithmetic);
  const std::size_t frameSamples =
      static_cast<std::size_t>(audiofile::samplesPerFrame(first.mpeg1)) * scan.channels();
  std::vector<std::int16_t> block(frameSamples);
  for (std::uint32_t i = 0; i < scan.frameCount(); ++i) {
    std::uint32_t produced = 0;
    result.statuses.push_back(decoder->decode(i, block.data(), &produced));
    result.samples.insert(result.samples.end(), block.begin(), block.begin() + produced / 2);
  }
  return result;
}

inline Decoded decodeStream(const std::vector<unsigned char>& bytes,
                            bool referenceArithmetic = false) {
  return decodeStream(bytes.data(), bytes.size(), referenceArithmetic);
}

struct Difference {
  int maxAbs = 0;
  double rms = 0.0;
  std::size_t compared = 0;
};

inline Difference compare(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                          std::size_t offsetA = 0) {
  Difference d;
  if (offsetA >= a.size()) return d;
  d.compared = std::min(a.size() - offsetA, b.size());
  double sum = 0.0;
  for (std::size_t i = 0; i < d.compared; ++i) {
    const int diff = std::abs(int{a[i + offsetA]} - int{b[i]});
    d.maxAbs = std::max(d.maxAbs, diff);
    sum += static_cast<double>(diff) * diff;
  }
  if (d.compared > 0) d.rms = std::sqrt(sum / static_cast<double>(d.compared));
  return d;
}

inline bool run(const std::string& command) {
  const int status = std::system(command.c_str());
#ifdef _WIN32
  return status == 0;  // the command's exit status itself
#else
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

inline bool haveTool(const char* name) {
  return run(std::string("command -v ") + name + " >/dev/null 2>&1");
}

// Two tones per channel (different in each channel) with a burst of noise
// every quarter second.
inline std::vector<std::int16_t> synthSignal(unsigned rate, unsigned channels, double seconds) {
  std::mt19937 random(1);
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

// Encodes a synthesised signal with lame into dir's "out.mp3" and returns its
// bytes; empty when encoding failed.
inline std::vector<unsigned char> makeMp3(const testfiles::TempDir& dir, unsigned rate,
                                          unsigned channels, double seconds,
                                          const std::string& lameOptions) {
  const std::string wav = dir.file("in.wav");
  testfiles::writeFile(wav,
                       testfiles::pcmWav(channels, rate, synthSignal(rate, channels, seconds)));
  if (!run("lame --quiet " + lameOptions + " '" + wav + "' '" + dir.file("out.mp3") + "'"))
    return {};
  return testfiles::readFile(dir.file("out.mp3"));
}

// mpg123's decoding of the last stream makeMp3 wrote: every frame, no gapless
// trimming; empty when decoding failed.
inline std::vector<std::int16_t> mpg123Decode(const testfiles::TempDir& dir) {
  const std::string raw = dir.file("ref.raw");
  if (!run("mpg123 -q --no-gapless -s '" + dir.file("out.mp3") + "' > '" + raw + "'")) return {};
  return testfiles::readSamples(raw);
}

}  // namespace mpegtest
