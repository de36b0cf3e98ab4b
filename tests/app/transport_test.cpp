// The transport on the virtual device, paced fast, through the device dialog,
// the button handler, the audio callbacks and the host: what is played comes
// back sample for sample from the device's capture, what is recorded is the
// device's input in order, and the audio path's Stop returns the transport to
// Idle.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "app/device_harness.h"
#include "app/window_layout.h"

namespace {

using apptest::catchRecording;
using apptest::DeviceHarness;
using apptest::Finished;
using apptest::Planar;
using state::TransportMode;

// A sample that is never zero, different per channel, so that where the
// track comes back in the capture is plain.
std::int16_t trackSample(std::uint32_t frame, std::uint32_t channel) {
  return static_cast<std::int16_t>(1 + (frame * 7 + channel * 4099) % 30000);
}

void fillTrack(apptest::Harness& h, std::uint32_t frames, std::uint32_t channels) {
  h.loadTrack(frames, channels);
  for (std::uint32_t f = 0; f < frames; ++f)
    for (std::uint32_t c = 0; c < channels; ++c)
      h.app.samples[f * channels + c] = trackSample(f, c);
}

// Where the capture first leaves silence, and how long it stays away from it.
struct Heard {
  std::size_t start = 0;
  std::size_t length = 0;
};
Heard firstSound(const Planar& p) {
  Heard heard;
  while (heard.start < p.size() && p.left[heard.start] == 0) ++heard.start;
  while (heard.start + heard.length < p.size() && p.left[heard.start + heard.length] != 0)
    ++heard.length;
  return heard;
}

// Checks that the capture from `heard.start` holds `expected` frames of the
// track (frame `from(i)` for capture frame i), on both channels.
template <class FrameOf>
void expectTrack(const Planar& p, std::size_t start, std::size_t count, std::uint32_t channels,
                 FrameOf from) {
  ASSERT_LE(start + count, p.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t f = from(i);
    ASSERT_EQ(p.left[start + i], trackSample(f, 0)) << "frame " << i;
    ASSERT_EQ(p.right[start + i], trackSample(f, channels == 2 ? 1 : 0)) << "frame " << i;
  }
}

class Transport : public ::testing::Test {
 protected:
  DeviceHarness d;
};

// Play writes the range once, then silence, and stops itself; Loop wraps to
// the range's start with no gap or repeat, even for a track shorter than a
// block.
TEST_F(Transport, PlayWritesTheRangeOnceAndLoopRepeatsItWithoutAGap) {
  struct Case {
    bool loop;
    std::uint32_t channels, frames;
    std::uint32_t selStart, selEnd;  // equal: no selection
  };
  const Case cases[] = {
      {false, 1, 20000, 0, 0},
      {false, 2, 20000, 0, 0},
      {false, 2, 60000, 5001, 5001 + 7 * 2048 + 333},
      {true, 2, 30000, 2500, 2500 + 2048 + 777},
      {true, 2, 300, 0, 0},
      {true, 2, 2047, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.loop ? "loop, " : "play, ") << c.channels << " channels, "
                                    << c.frames << " frames");
    ASSERT_TRUE(d.openVirtual("input = silence\n" + d.captureSetting()));
    apptest::Harness& h = *d.h;
    fillTrack(h, c.frames, c.channels);
    const bool selection = c.selEnd > c.selStart;
    if (selection) h.select(c.selStart, c.selEnd);
    const std::uint32_t start = selection ? c.selStart : 0;
    const std::uint32_t length = (selection ? c.selEnd : c.frames) - start;
    d.click(c.loop ? view::ID_LOOP : view::ID_PLAY);
    EXPECT_EQ(h.app.mode, c.loop ? TransportMode::Looping : TransportMode::Playing);
    if (c.loop) {
      EXPECT_EQ(h.app.cursorPos, start + h.app.blockFrames) << "one block ahead";
      ASSERT_TRUE(d.runFor(40 * 2048));
      EXPECT_EQ(h.app.mode, TransportMode::Looping);
      d.click(view::ID_STOP);
    } else {
      ASSERT_TRUE(d.runUntilIdle());
      const std::vector<int>& posted = h.shell.postedCommands;
      EXPECT_EQ(std::count(posted.begin(), posted.end(), view::ID_STOP), 1);
      // The cursor only when the view shows 16 blocks or more.
      EXPECT_EQ(h.shell.count("drawCursorLine") > 0, c.frames >= 16 * 2048);
    }
    EXPECT_EQ(h.app.mode, TransportMode::Idle);
    EXPECT_TRUE(h.shell.buttons[view::ID_PLAY].enabled);
    d.close();
    const Planar played = apptest::readCapture(d.capturePath());
    const Heard heard = firstSound(played);
    if (c.loop) {
      EXPECT_GE(heard.length, 30u * 2048) << "looped without a gap";
    } else {
      EXPECT_EQ(heard.length, length) << "the range, then silence";
    }
    expectTrack(played, heard.start, heard.length, c.channels, [start, length](std::size_t i) {
      return static_cast<std::uint32_t>(start + i % length);
    });
    EXPECT_TRUE(std::all_of(played.left.begin() + static_cast<long>(heard.start + heard.length),
                            played.left.end(), [](std::int16_t s) { return s == 0; }));
  }
}

TEST_F(Transport, PauseResumeAndAResizeWhilePlayingLoseOrRepeatNothing) {
  ASSERT_TRUE(d.openVirtual("input = silence\n" + d.captureSetting(), 4));
  apptest::Harness& h = *d.h;
  fillTrack(h, 120000, 1);
  d.click(view::ID_PLAY);
  ASSERT_TRUE(d.runFor(10 * 2048));
  d.click(view::ID_PAUSE);
  EXPECT_EQ(h.app.mode, TransportMode::PlayPaused);
  EXPECT_EQ(h.shell.buttons[view::ID_PAUSE].text, "Resume");
  const std::uint64_t heldAt = h.app.deviceFrames;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_LE(h.app.deviceFrames, heldAt + 2048) << "no blocks while paused";
  d.click(view::ID_PAUSE);
  EXPECT_EQ(h.shell.buttons[view::ID_PAUSE].text, "Pause");
  // The window resized while the sound runs: a worker the follow step starts
  // lays it out again, without the window's own size message.
  h.shell.setClientSize({900, 450});
  ASSERT_TRUE(d.runUntil([&] { return h.app.layoutWidth == 900 + h.shell.frameExtra.width; }));
  ASSERT_TRUE(d.runUntilIdle());
  app::waitForRelayouts(h.ctx());
  EXPECT_EQ(h.view().image.width(), 900);
  d.close();
  const Planar played = apptest::readCapture(d.capturePath());
  const Heard heard = firstSound(played);
  // The device keeps running while the stream is paused: the pause is a run
  // of silence between the two parts of the track.
  std::vector<std::int16_t> sound;
  for (std::size_t i = heard.start; i < played.size(); ++i)
    if (played.left[i] != 0) sound.push_back(played.left[i]);
  ASSERT_EQ(sound.size(), 120000u);
  for (std::uint32_t f = 0; f < 120000; ++f) ASSERT_EQ(sound[f], trackSample(f, 0)) << f;
}

TEST_F(Transport, RecordHearsBothInputsInChunksAndTheOutputStaysSilent) {
  ASSERT_TRUE(d.openVirtual("input = voice\n"));
  apptest::Harness& h = *d.h;
  fillTrack(h, 20000, 2);
  Finished got;
  catchRecording(h, got);
  d.click(view::ID_RECORD);
  EXPECT_EQ(h.app.mode, TransportMode::Recording);
  EXPECT_FALSE(h.app.samples) << "the track goes";
  EXPECT_EQ(h.app.sampleRate, 44100u);
  ASSERT_TRUE(d.runFor(300 * 2048));  // more than one chunk of 256 blocks
  d.click(view::ID_STOP);
  ASSERT_TRUE(d.runUntilIdle());
  ASSERT_EQ(got.calls, 1);
  EXPECT_EQ(got.chunks, 2u);
  EXPECT_GT(h.shell.count("drawLiveLine") + h.shell.count("drawLivePoint"), 300)
      << "the live display draws every block";
  ASSERT_GE(got.audio.size(), 300u * 2048);
  EXPECT_EQ(got.audio.left, got.audio.right) << "both inputs hear the voice";
  // Every block in order, none lost or twice: the app soak's recording.
  d.close();

  // Fed back from the outputs, the input hears only silence while recording.
  ASSERT_TRUE(d.openVirtual("input = loopback\n"));
  Finished looped;
  catchRecording(*d.h, looped);
  d.click(view::ID_RECORD);
  ASSERT_TRUE(d.runFor(20 * 2048));
  d.click(view::ID_STOP);
  ASSERT_GE(looped.audio.size(), 20u * 2048);
  EXPECT_TRUE(std::all_of(looped.audio.left.begin(), looped.audio.left.end(),
                          [](std::int16_t s) { return s == 0; }));
}

// Counts the chunks made.
std::atomic<int> chunksMade{0};
state::RecordChunk* countedChunks(std::uint32_t blocks, std::uint32_t frames) {
  chunksMade.fetch_add(1);
  return state::RecordChunk::create(blocks, frames);
}

TEST_F(Transport, StopRightAfterRecordKeepsOnlyWhatArrived) {
  ASSERT_TRUE(d.openVirtual("input = voice\n"));
  apptest::Harness& h = *d.h;
  fillTrack(h, 20000, 1);
  chunksMade = 0;
  h.ctx().allocateChunk = &countedChunks;
  d.click(view::ID_RECORD);
  d.click(view::ID_STOP);
  ASSERT_TRUE(h.finishWorkers());
  EXPECT_EQ(h.app.mode, TransportMode::Idle);
  // The device may have delivered a block between the two clicks; without
  // one the recording leaves no track.
  EXPECT_EQ(h.app.hasTrack(), chunksMade > 0);
  EXPECT_EQ(h.app.chunks.head, nullptr);
  EXPECT_FALSE(h.app.spoolBuffer);
  EXPECT_TRUE(h.shell.buttons[view::ID_ZOOM_IN].enabled);
}

// Counts the chunks asked for and refuses every one after the first `grant`.
std::atomic<int> chunkRequests{0};
template <int grant>
state::RecordChunk* limitedChunks(std::uint32_t blocks, std::uint32_t frames) {
  if (chunkRequests.fetch_add(1) >= grant) return nullptr;
  return state::RecordChunk::create(blocks, frames);
}

// The recording goes on to a file, through the finishing. (The chunk limit
// ending a recording: the app soak's recording.)
TEST_F(Transport, AFailedChunkEndsTheRecordingThroughStopToBeSpooled) {
  struct Case {
    const char* what;
    app::ChunkAllocator allocate;
    std::uint32_t chunksKept;
    int requests;  // chunks asked for, also by the blocks after Stop was posted
  };
  const Case cases[] = {
      {"second chunk fails", &limitedChunks<2>, 1, 3},
      {"first full chunk fails", &limitedChunks<1>, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    chunkRequests = 0;
    ASSERT_TRUE(d.openVirtual("input = voice\n"));
    apptest::Harness& h = *d.h;
    h.app.blocksPerChunk = 2;
    h.ctx().allocateChunk = c.allocate;
    Finished got;
    catchRecording(h, got);
    d.click(view::ID_RECORD);
    ASSERT_TRUE(d.runUntilIdle()) << "the audio path posted Stop";
    ASSERT_EQ(got.calls, 1);
    EXPECT_EQ(got.chunks, c.chunksKept);
    EXPECT_EQ(got.audio.size(), c.chunksKept * 2u * 2048);
    EXPECT_TRUE(got.spoolToFile);
    EXPECT_EQ(chunkRequests, c.requests) << "no new recording begins";
    d.close();
  }
}

}  // namespace
