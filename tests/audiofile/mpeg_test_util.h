// Helpers of the MPEG tests: reading files, decoding a whole stream through
// the scan and the Layer III decoder, and comparing sample runs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/layer3_decoder.h"
#include "audiofile/mpeg_header.h"
#include "audiofile/mpeg_scan.h"

namespace mpegtest {

inline std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::int16_t> readPcm(const std::string& path) {
  const std::vector<unsigned char> bytes = readFile(path);
  std::vector<std::int16_t> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return samples;
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

// Scans and decodes every indexed frame in order, as the importer does.
inline Decoded decodeStream(const unsigned char* data, std::size_t size) {
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

struct Difference {
  int maxAbs = 0;
  double rms = 0.0;
  std::size_t compared = 0;
};

inline Difference compare(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                          std::size_t offsetB = 0) {
  Difference d;
  if (offsetB >= b.size()) return d;
  d.compared = std::min(a.size(), b.size() - offsetB);
  double sum = 0.0;
  for (std::size_t i = 0; i < d.compared; ++i) {
    const int diff = std::abs(int{a[i]} - int{b[i + offsetB]});
    d.maxAbs = std::max(d.maxAbs, diff);
    sum += static_cast<double>(diff) * diff;
  }
  if (d.compared > 0) d.rms = std::sqrt(sum / static_cast<double>(d.compared));
  return d;
}

}  // namespace mpegtest
