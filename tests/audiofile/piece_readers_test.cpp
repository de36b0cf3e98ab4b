// Reading a track in pieces: a reader started at any block gives the bytes a
// reader from the start gives there, on every conformance stream and on
// encoder-made streams (short blocks, a bit reservoir reaching back across the
// cut, LAME trimming, the converter at 48000 and 22050 Hz, PCM), and a load on
// several threads gives the track and the progress calls of a load on one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audiofile/audiofile_constants.h"
#include "audiofile/mpeg_scan.h"
#include "audiofile/mpeg_test_util.h"
#include "audiofile/track_loader.h"
#include "audiofile/track_reader.h"
#include "platform/mapped_file.h"

namespace {

const std::string DATA_DIR = CANTORA_TESTDATA_DIR "/mp3";

std::unique_ptr<audiofile::TrackReader> openReader(const std::string& path) {
  auto reader = std::make_unique<audiofile::TrackReader>(platform::MappedFile::map(path.c_str()));
  return reader->open() ? std::move(reader) : nullptr;
}

// Up to `count` blocks from the reader's position; each block's returned bytes
// and its samples.
std::vector<std::int16_t> readBlocks(audiofile::TrackReader& reader, std::uint64_t count,
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
std::vector<int> mainDataBegins(const std::vector<unsigned char>& stream) {
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

TEST_F(PieceReading, AReaderStartedAtAnyBlockGivesTheBytesOfOneFromTheStart) {
  const std::vector<int> begins = mainDataBegins(reservoirHeavy);
  ASSERT_FALSE(begins.empty());
  EXPECT_GT(std::count_if(begins.begin(), begins.end(), [](int b) { return b > 0; }) * 2,
            static_cast<long>(begins.size()));

  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    auto whole = openReader(path);
    ASSERT_TRUE(whole);
    ASSERT_TRUE(whole->source()->startsAnywhere());
    const std::uint64_t blocks = whole->blockCount();
    std::vector<std::uint32_t> wholeBytes;
    const std::vector<std::int16_t> all = readBlocks(*whole, blocks + 1, wholeBytes);
    const std::size_t perBlock = whole->bytesPerBlock() / 2;
    // Every block of a short stream, some 40 spread over a long one; two
    // blocks after each cut, and from three cuts on to the end.
    const std::uint64_t stride = blocks / 40 + 1;
    for (std::uint64_t cut = 1; cut < blocks; cut += stride) {
      auto part = openReader(path);
      ASSERT_TRUE(part);
      if (!part->seekBlock(cut)) {
        // Only past the end of what the source delivers (a stream whose
        // first frames cannot be decoded comes out shorter than announced).
        EXPECT_TRUE(cut >= wholeBytes.size() || wholeBytes[cut] == 0) << "block " << cut;
        continue;
      }
      const bool toEnd = cut == 1 || cut == blocks / 2 || cut + stride >= blocks;
      std::vector<std::uint32_t> bytes;
      const std::vector<std::int16_t> got = readBlocks(*part, toEnd ? blocks : 2, bytes);
      ASSERT_TRUE(std::equal(got.begin(), got.end(), all.begin() + cut * perBlock))
          << "block " << cut;
      if (toEnd) {
        EXPECT_EQ(bytes, std::vector<std::uint32_t>(wholeBytes.begin() + cut, wholeBytes.end()));
      }
    }
    EXPECT_FALSE(openReader(path)->seekBlock(blocks));
  }
}

TEST_F(PieceReading, ALoadOnSeveralThreadsEqualsALoadOnOne) {
  // 24-bit PCM through the converter cannot start in the middle: read in one go.
  const std::string wide = dir.file("wide.wav");
  std::vector<unsigned char> data;
  for (const std::int16_t s : mpegtest::synthSignal(48000, 2, 3.0)) {
    data.push_back(0x5A);
    testfiles::appendLe(data, static_cast<std::uint16_t>(s), 2);
  }
  testfiles::writeFile(wide, testfiles::riffFile({testfiles::fmtChunk(1, 2, 48000, 24),
                                                  testfiles::Chunk{"data", data}}));
  ASSERT_FALSE(openReader(wide)->source()->startsAnywhere());
  files.push_back(wide);

  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    audiofile::LoadedTrack one;
    Recorder oneCalls;
    ASSERT_EQ(audiofile::loadTrack(path.c_str(), one, &oneCalls, nullptr, 1),
              audiofile::LoadStatus::Loaded);
    for (const unsigned threads : {2u, 5u}) {
      audiofile::LoadedTrack many;
      Recorder manyCalls;
      ASSERT_EQ(audiofile::loadTrack(path.c_str(), many, &manyCalls, nullptr, threads),
                audiofile::LoadStatus::Loaded);
      ASSERT_EQ(many.frameCount, one.frameCount) << threads << " threads";
      EXPECT_TRUE(std::equal(one.samples.get(),
                             one.samples.get() + std::size_t{one.frameCount} * one.channels,
                             many.samples.get()))
          << threads << " threads";
      EXPECT_EQ(manyCalls.produced, oneCalls.produced) << threads << " threads";
    }
  }

  // Stopped by the observer part-way, the pieces still reading are stopped
  // too and the track is left as it was.
  audiofile::LoadedTrack untouched;
  Recorder stopper;
  stopper.stopAfter = 2;
  EXPECT_EQ(audiofile::loadTrack(files.front().c_str(), untouched, &stopper, nullptr, 4),
            audiofile::LoadStatus::Cancelled);
  EXPECT_EQ(untouched.samples, nullptr);
}

}  // namespace
