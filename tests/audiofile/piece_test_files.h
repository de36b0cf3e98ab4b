// The files the piece-reading tests read: every conformance stream (where the
// data is installed) and streams made here (short blocks, a bit reservoir
// reaching back across frames, LAME trimming, the converter at 48000 and
// 22050 Hz, PCM), with the helpers both tests use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audiofile/audiofile_constants.h"
#include "audiofile/mpeg_scan.h"
#include "audiofile/mpeg_test_util.h"
#include "audiofile/track_loader.h"
#include "audiofile/track_reader.h"
#include "platform/mapped_file.h"

namespace piecetest {

inline const std::string DATA_DIR = CANTORA_TESTDATA_DIR "/mp3";

inline std::unique_ptr<audiofile::TrackReader> openReader(const std::string& path) {
  auto reader = std::make_unique<audiofile::TrackReader>(platform::MappedFile::map(path.c_str()));
  return reader->open() ? std::move(reader) : nullptr;
}

// Up to `count` blocks from the reader's position; each block's returned bytes
// and its samples.
inline std::vector<std::int16_t> readBlocks(audiofile::TrackReader& reader, std::uint64_t count,
                                            std::vector<std::uint32_t>& bytes) {
  std::vector<std::int16_t> out;
  std::vector<std::int16_t> block(reader.bytesPerBlock() / 2);
  bool ended = false;
  for (std::uint64_t i = 0; i < count && !ended; ++i) {
    bytes.push_back(reader.readBlock(block.data(), ended));
    out.insert(out.end(), block.begin(), block.begin() + bytes.back() / 2);
  }
  return out;
}

class Recorder : public audiofile::LoadObserver {
 public:
  bool blockRead(std::uint64_t producedBytes, std::uint64_t) override {
    produced.push_back(producedBytes);
    return stopAfter == 0 || produced.size() < stopAfter;
  }
  std::vector<std::uint64_t> produced;
  std::size_t stopAfter = 0;
};

// main_data_begin of each frame: how far back into earlier frames its data starts.
inline std::vector<int> mainDataBegins(const std::vector<unsigned char>& stream) {
  audiofile::MpegScan scan;
  std::vector<int> result;
  if (scan.scan(stream.data(), static_cast<std::uint32_t>(stream.size())) == 0) return result;
  for (std::uint32_t i = 0; i < scan.frameCount(); ++i) {
    const unsigned char* f = scan.frameStart(i) + ((scan.frameStart(i)[1] & 1) ? 4 : 6);
    result.push_back((f[0] << 1) | (f[1] >> 7));
  }
  return result;
}

class PieceReading : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!mpegtest::haveTool("lame")) GTEST_SKIP() << "lame is needed (scripts/install-deps)";
    // The conformance streams where the data is installed, and always the
    // streams made here.
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(DATA_DIR, missing)) {
      const std::string name = entry.path().filename().string();
      // Free format is refused by the scan.
      if (entry.path().extension() == ".bit" && name != "l3-he_free.bit")
        files.push_back(entry.path().string());
    }
    struct Made {
      const char* name;
      unsigned rate;
      unsigned channels;
      const char* options;
    };
    // Noise bursts make the encoder switch to short blocks; at 32 kbit/s
    // most frames' data begins in the frames before them.
    const Made made[] = {
        {"cbr128.mp3", 44100, 2, "-b 128 -m j"}, {"vbr2.mp3", 44100, 2, "-V 2"},
        {"mono64.mp3", 44100, 1, "-b 64 -m m"},  {"low32.mp3", 44100, 2, "-b 32 -m j"},
        {"at48k.mp3", 48000, 2, "-b 160"},       {"at22k.mp3", 22050, 1, "-b 40"}};
    for (const Made& m : made) {
      const auto bytes = mpegtest::makeMp3(dir, m.rate, m.channels, 4.0, m.options);
      ASSERT_FALSE(bytes.empty()) << m.name;
      std::filesystem::rename(dir.file("out.mp3"), dir.file(m.name));
      files.push_back(dir.file(m.name));
      if (std::string(m.name) == "low32.mp3") reservoirHeavy = bytes;
    }
    for (const unsigned rate : {44100u, 48000u}) {
      const std::string wav = dir.file("pcm" + std::to_string(rate) + ".wav");
      testfiles::writeFile(wav, testfiles::pcmWav(2, rate, mpegtest::synthSignal(rate, 2, 5.0)));
      files.push_back(wav);
    }
  }
  testfiles::TempDir dir{"piece_readers"};
  std::vector<std::string> files;
  std::vector<unsigned char> reservoirHeavy;
};

}  // namespace piecetest
