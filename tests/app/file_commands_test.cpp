// Open, Save as and the finishing of a recording, each on its worker thread,
// driven through the main window over the headless Shell: files made at test
// time, the track and the written bytes compared sample for sample.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_constants.h"
#include "app/app_harness.h"
#include "app/recorded_chunks.h"
#include "audiofile/audio_test_files.h"
#include "audiofile/wav_writer.h"
#include "view/peaks.h"

namespace {

using state::TransportMode;
using testfiles::TempDir;

// A deterministic stereo or mono signal: a different tone per channel.
std::vector<std::int16_t> signal(std::uint32_t frames, unsigned channels) {
  std::vector<std::int16_t> s(static_cast<std::size_t>(frames) * channels);
  for (std::uint32_t f = 0; f < frames; ++f)
    for (unsigned c = 0; c < channels; ++c)
      s[f * channels + c] = static_cast<std::int16_t>(9000 * std::sin(0.031 * f * (c + 1)) + c);
  return s;
}

struct FileHarness : apptest::Harness {
  TempDir dir{"file_commands"};

  // The Open command with `path` chosen in the dialog, until its worker ended.
  void open(const std::string& path) {
    shell.fileAnswers.push_back(path);
    window.onCommand(app::CMD_OPEN);
    ASSERT_TRUE(finishWorkers());
  }
  void saveAs(const std::string& name) {
    shell.fileAnswers.push_back(name);
    window.onCommand(app::CMD_SAVE_AS);
    ASSERT_TRUE(finishWorkers());
  }
  // Columns of the progress bar invalidated one step after another.
  int progressColumns() {
    const view::Rect& bar = view().geometry.progressBar;
    int columns = 0;
    for (const view::Rect& r : shell.invalidated)
      if (r.top == bar.top && r.bottom == bar.bottom && r.left >= bar.left && r.right <= bar.right)
        columns += r.width();
    return columns;
  }
  // The peaks filled block by block equal those of the whole track.
  void expectPeaksOfTrack() {
    ASSERT_TRUE(app.peaks);
    ASSERT_GT(app.framesPerPeak, 1u);
    const std::size_t groups = (app.frameCount + app.framesPerPeak - 1) / app.framesPerPeak;
    std::vector<std::int16_t> expected(groups * app.channels * 2);
    view::computePeaks(expected.data(), app.samples.get(), app.frameCount, app.channels,
                       app.framesPerPeak);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), app.peaks.get()));
  }
  // After every command the worker handed the track back and the window is
  // free to be resized again; the Shell's threading rules were kept.
  void expectHandedBack() {
    EXPECT_EQ(app.mode, TransportMode::Idle);
    EXPECT_FALSE(view().progressShown);
    EXPECT_EQ(shell.minSize, (app::Size{682, 384}));
    EXPECT_FALSE(shell.maxSize);
    EXPECT_TRUE(shell.violations.empty()) << shell.violations.front();
  }
};

std::int16_t* refuseMemory(std::uint64_t) {
  return nullptr;
}

TEST(OpenTrack, LoadsWavAndMp3WithProgressPeaksAndTheWaveform) {
  struct Case {
    const char* name;
    unsigned channels;
    std::uint32_t frames;
    bool mp3;
  };
  for (const Case& c : {Case{"mono.wav", 1, 300000, false}, Case{"stereo.wav", 2, 150000, false},
                        Case{"stereo.mp3", 2, 150000, true}}) {
    SCOPED_TRACE(c.name);
    FileHarness h;
    const std::vector<std::int16_t> source = signal(c.frames, c.channels);
    const std::string wav = h.dir.file("source.wav");
    testfiles::writeFile(wav, testfiles::pcmWav(c.channels, 44100, source));
    std::string path = wav;
    if (c.mp3) {
      path = h.dir.file(c.name);
      ASSERT_EQ(std::system(("lame --quiet -b 192 '" + wav + "' '" + path + "'").c_str()), 0);
    }
    // A track and an undo record that the load replaces.
    h.loadTrack(5000, 2);
    h.app.undo.samples.reset(new std::int16_t[10]);
    h.shell.undoEnabled = true;
    h.shell.clearRecords();

    h.open(path);
    h.expectHandedBack();
    EXPECT_TRUE(h.shell.messageBoxes.empty());
    EXPECT_FALSE(h.app.undo.holdsSamples());
    EXPECT_FALSE(h.shell.undoEnabled);
    // The box came up and its bar grew column by column to the full width.
    const view::Rect box = h.view().geometry.progressBox;
    EXPECT_NE(std::find(h.shell.invalidated.begin(), h.shell.invalidated.end(), box),
              h.shell.invalidated.end());
    EXPECT_EQ(h.progressColumns(), h.view().geometry.progressBar.width());

    ASSERT_TRUE(h.app.hasTrack());
    EXPECT_EQ(h.app.channels, c.channels);
    EXPECT_EQ(h.app.stereo, c.channels == 2);
    EXPECT_EQ(h.app.sampleRate, 44100u);
    // Whole blocks of 4608 frames, the last one padded with silence.
    EXPECT_EQ(h.app.frameCount % 4608, 0u);
    EXPECT_GE(h.app.frameCount, c.frames);
    if (!c.mp3) {
      ASSERT_EQ(h.app.frameCount, (c.frames + 4607) / 4608 * 4608);
      EXPECT_TRUE(std::equal(source.begin(), source.end(), h.app.samples.get()));
      for (std::size_t i = source.size(); i < std::size_t{h.app.frameCount} * c.channels; ++i)
        ASSERT_EQ(h.app.samples[i], 0) << i;
    }
    h.expectPeaksOfTrack();

    EXPECT_EQ(h.app.framesPerPixel, state::fitZoom(h.app.frameCount, h.paneWidth()));
    EXPECT_EQ(h.app.fitFramesPerPixel, h.app.framesPerPixel);
    EXPECT_TRUE(h.shell.scrollEnabled);
    EXPECT_EQ(h.shell.focusedButton, view::ID_PLAY);
    EXPECT_GT(h.shell.count("drawCursorLine"), 0);
    int waveform = 0;
    const view::Rect& pane = h.paneA();
    for (int y = pane.top; y < pane.bottom; ++y)
      waveform += h.view().image.pixel(pane.left + pane.width() / 2, y) == view::COLOUR_WAVE;
    EXPECT_GT(waveform, 0);
  }
}

// Which files the loader refuses (a file under 4096 bytes among them): the
// loader's and the command line's tests; here what a refusal leaves.
TEST(OpenTrack, RefusalsLeaveNoTrackAndSayWhy) {
  std::vector<unsigned char> oneFrame;
  testfiles::appendMpegFrame(oneFrame, 0xFFFB9000, 417);
  oneFrame.resize(6000, 0x55);  // the rest of the stream destroyed
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;  // none: the file is not there
    bool refuseMemory;
    const char* message;
  };
  const Case cases[] = {
      {"damaged.mp3", oneFrame, false, "Could not load or read this file!"},
      {"missing.wav", {}, false, "Could not load or read this file!"},
      {"huge.wav", testfiles::pcmWav(2, 44100, signal(50000, 2)), true,
       "Insufficient memory to load this track!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileHarness h;
    const std::string path = h.dir.file(c.name);
    if (!c.bytes.empty()) testfiles::writeFile(path, c.bytes);
    if (c.refuseMemory) h.ctx().allocateTrack = &refuseMemory;
    h.loadTrack(5000, 1);
    h.open(path);
    h.expectHandedBack();
    ASSERT_EQ(h.shell.messageBoxes.size(), 1u);
    EXPECT_EQ(h.shell.messageBoxes[0].text, c.message);
    EXPECT_EQ(h.shell.messageBoxes[0].caption, "File load error");
    EXPECT_EQ(h.shell.messageBoxes[0].icon, app::MessageIcon::Error);
    EXPECT_TRUE(h.shell.messageBoxes[0].fromWorker);
    EXPECT_FALSE(h.app.hasTrack());
    EXPECT_FALSE(h.app.peaks);
    EXPECT_FALSE(h.shell.scrollEnabled);
  }
}

// The bytes a save wrote: its header's channels and rate and the samples.
struct Saved {
  unsigned channels = 0;
  std::uint32_t rate = 0;
  std::vector<std::int16_t> samples;
};
Saved readSaved(const std::string& path) {
  const std::vector<unsigned char> b = testfiles::readFile(path);
  Saved s;
  if (b.size() < audiofile::WAV_WRITER_DATA_OFFSET) return s;
  s.channels = b[22] | b[23] << 8;
  s.rate = testfiles::getLe32(b, 24);
  s.samples.resize((b.size() - audiofile::WAV_WRITER_DATA_OFFSET) / 2);
  std::memcpy(s.samples.data(), b.data() + audiofile::WAV_WRITER_DATA_OFFSET, s.samples.size() * 2);
  return s;
}

TEST(SaveAs, WritesTheSelectionOrTheTrackWithItsChannelsAndRate) {
  struct Case {
    const char* answer;  // the name chosen
    const char* written;
    unsigned channels;
    std::uint32_t rate;
    std::uint32_t selStart, selEnd;  // equal: no selection
  };
  const Case cases[] = {
      {"mono", "mono.wav", 1, 44100, 0, 0},
      {"stereo.wav", "stereo.wav", 2, 48000, 0, 0},
      {"sel", "sel.wav", 2, 44100, 1001, 5003},
      {"dotted.d/name", "dotted.d/name", 1, 44100, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    FileHarness h;
    std::filesystem::create_directories(h.dir.path() / "dotted.d");
    h.loadTrack(30000, c.channels);
    h.app.sampleRate = c.rate;
    h.app.selActive = c.selEnd > c.selStart;
    h.app.selStart = c.selStart;
    h.app.selEnd = c.selEnd;
    const std::string target = h.dir.file(c.written);
    testfiles::writeFile(target, std::vector<unsigned char>(100, 7));  // replaced unasked
    h.saveAs(h.dir.file(c.answer));
    h.expectHandedBack();
    EXPECT_TRUE(h.shell.messageBoxes.empty());
    EXPECT_EQ(h.progressColumns(), h.view().geometry.progressBar.width());
    const Saved saved = readSaved(target);
    EXPECT_EQ(saved.channels, c.channels);
    EXPECT_EQ(saved.rate, c.rate);
    const std::uint32_t first = h.app.selActive ? c.selStart : 0;
    const std::uint32_t frames = h.app.selActive ? c.selEnd - c.selStart : 30000;
    const std::int16_t* from = h.app.samples.get() + std::size_t{first} * c.channels;
    ASSERT_EQ(saved.samples.size(), std::size_t{frames} * c.channels);
    EXPECT_TRUE(std::equal(saved.samples.begin(), saved.samples.end(), from));
    // Only the target is left: no temporary file beside it.
    EXPECT_EQ(std::distance(
                  std::filesystem::directory_iterator(std::filesystem::path(target).parent_path()),
                  std::filesystem::directory_iterator()),
              std::string(c.written).find('/') == std::string::npos ? 2 : 1);
  }
}

// A place where no file can be made (as every user, root too); a disk that
// fills up part way: tests/faults.
TEST(SaveAs, AFailedCreateLeavesAnExistingFileAsItWas) {
  FileHarness h;
  h.loadTrack(200000, 2);
  const std::vector<unsigned char> before = testfiles::readFile("/proc/version");
  ASSERT_FALSE(before.empty());
  h.saveAs("/proc/version");
  h.expectHandedBack();
  ASSERT_EQ(h.shell.messageBoxes.size(), 1u);
  EXPECT_EQ(h.shell.messageBoxes[0].text, "Could not create file!");
  EXPECT_EQ(h.shell.messageBoxes[0].caption, "File create error");
  EXPECT_EQ(h.shell.messageBoxes[0].icon, app::MessageIcon::Error);
  EXPECT_EQ(testfiles::readFile("/proc/version"), before);
  EXPECT_TRUE(h.app.hasTrack());
}

// A recording of `chunks` chunks (the last `lastBlocks` blocks long) made
// through Record, then handed to the finishing by Stop.
struct RecordingHarness : FileHarness {
  std::vector<std::int16_t> recorded;  // interleaved

  void record(std::uint32_t chunks, std::uint32_t lastBlocks, std::uint32_t blockFrames,
              std::uint32_t blocksPerChunk) {
    readyStream();
    app.blockFrames = blockFrames;
    app.blocksPerChunk = blocksPerChunk;
    app.driverRate = 48000;
    window.onCommand(view::ID_RECORD);
    ASSERT_EQ(app.mode, TransportMode::Recording);
    recorded = apptest::appendChunks(app, chunks, lastBlocks);
  }
  void stop() {
    window.onCommand(view::ID_STOP);
    ASSERT_TRUE(finishWorkers());
  }
};

TEST(FinishRecording, InMemoryTheRecordingBecomesTheStereoTrack) {
  RecordingHarness h;
  h.record(6, 17, 1024, 32);  // 5 full chunks of 32 blocks and 17 blocks
  h.stop();
  h.expectHandedBack();
  ASSERT_TRUE(h.app.hasTrack());
  EXPECT_TRUE(h.app.stereo);
  EXPECT_EQ(h.app.frameCount, (5u * 32 + 17) * 1024);
  EXPECT_EQ(h.app.sampleRate, 48000u);
  EXPECT_TRUE(std::equal(h.recorded.begin(), h.recorded.end(), h.app.samples.get()));
  EXPECT_EQ(h.app.chunks.head, nullptr);
  EXPECT_EQ(h.app.chunkCount, 0u);
  EXPECT_FALSE(h.app.spoolBuffer);
  EXPECT_EQ(h.app.channels, 2u);
  h.expectPeaksOfTrack();
  EXPECT_EQ(h.progressColumns(), h.view().geometry.progressBar.width());
  EXPECT_TRUE(h.shell.scrollEnabled);
}

TEST(FinishRecording, ARecordingThatDidNotFitGoesToTheFileChosen) {
  struct Case {
    const char* what;
    std::vector<std::optional<std::string>> answers;  // the save dialog's, in turn
    bool spoolBuffer;
    std::vector<std::string> messages;
    bool written;
  };
  const Case cases[] = {
      {"a name without a dot", {"rec"}, true, {}, true},
      {"the dialog cancelled", {std::nullopt}, true, {}, false},
      {"no spool buffer", {}, false, {"Out of memory!"}, false},
      {"a place that takes no file, then another",
       {"missing/rec.wav", "rec"},
       true,
       {"Could not create file!"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingHarness h;
    h.record(3, 5, 256, 8);
    h.ctx().allocateTrack = &refuseMemory;
    if (!c.spoolBuffer) h.app.spoolBuffer.reset();
    for (const auto& answer : c.answers)
      h.shell.fileAnswers.push_back(answer ? std::optional(h.dir.file(*answer)) : std::nullopt);
    h.stop();
    h.expectHandedBack();
    EXPECT_FALSE(h.app.hasTrack()) << "the track stays empty";
    EXPECT_EQ(h.app.chunks.head, nullptr);
    EXPECT_FALSE(h.app.spoolBuffer);
    EXPECT_FALSE(h.app.spoolToFile);
    std::vector<std::string> shown;
    for (const auto& box : h.shell.messageBoxes) {
      shown.push_back(box.text);
      EXPECT_EQ(box.caption, "File create error");
    }
    EXPECT_EQ(shown, c.messages);
    const std::string file = h.dir.file("rec.wav");
    ASSERT_EQ(std::filesystem::exists(file), c.written);
    if (c.written) {
      const Saved saved = readSaved(file);
      EXPECT_EQ(saved.channels, 2u);
      EXPECT_EQ(saved.rate, 48000u);
      EXPECT_EQ(saved.samples, h.recorded);
    }
  }
}

}  // namespace
