// The program's soaks: the main window over the headless Shell on the virtual
// device at fast pacing, the message loop's part played by the test.
//  - A recording to the one-hour limit: the memory it takes is the chunk list
//    and a constant, the track it leaves holds every block the device
//    delivered in order, and the limit ends it through Stop, finished once.
//  - Play and Loop for hours of audio with Stop, Pause and Zoom clicked at
//    random (seeded) moments while the follow step scrolls: nothing hangs, and
//    after every step the mode, the buttons and the stream agree.
//
// CANTORA_SOAK_SECONDS sets the audio both move: unset, as `make test` runs
// them, a few seconds' worth (the recording limit lowered to match); `make
// soak` sets hours, and from 3600 on the recording runs to the real limit.
// CANTORA_SOAK_SEED replays the random soak with another seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/device_harness.h"
#include "app/file_commands.h"
#include "host/drivers/virtual/voice_phrase.h"
#include "soak/soak_support.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator statistics (GCC ships no header for them).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using state::TransportMode;

// Bytes the process holds: the allocator's count of bytes in use where the
// sanitizer keeps one (freed memory it holds back for checking is not in it),
// else the resident set.
std::int64_t heldBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<std::int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  return soaktest::residentBytes();
#endif
}

// --- the recording ---

// The chunk allocations of the recording, checked against the device: when
// the k-th chunk (from 0) is asked for, exactly k full chunks' worth of blocks
// has arrived since the first one, so no block was lost or taken twice.
struct ChunkWatch {
  std::atomic<const state::AppState*> app{nullptr};
  std::atomic<std::uint64_t> firstBlockEnd{0};  // deviceFrames after the first block
  std::atomic<std::uint32_t> made{0};
  std::atomic<std::uint32_t> misplaced{0};
  std::atomic<std::uint64_t> lastAt{0};  // deviceFrames at the last allocation
};
ChunkWatch chunkWatch;

state::RecordChunk* watchedChunk(std::uint32_t blocks, std::uint32_t frames) {
  const state::AppState& app = *chunkWatch.app.load();
  const std::uint64_t now = app.deviceFrames.load();
  const std::uint32_t k = chunkWatch.made.fetch_add(1);
  if (k == 0) chunkWatch.firstBlockEnd = now;
  if (now - chunkWatch.firstBlockEnd.load() != std::uint64_t{k} * blocks * frames)
    chunkWatch.misplaced.fetch_add(1);
  chunkWatch.lastAt = now;
  return state::RecordChunk::create(blocks, frames);
}

// Where `s` (stereo, `frames` long, from `from` on) meets the looping phrase
// for 4096 frames: the phrase position, or none.
std::optional<std::size_t> placeInPhrase(const std::int16_t* s, std::size_t frames,
                                         std::size_t from,
                                         const std::vector<std::int16_t>& phrase) {
  constexpr std::size_t WINDOW = 4096;
  if (from + WINDOW > frames) return std::nullopt;
  for (std::size_t offset = 0; offset < phrase.size(); ++offset) {
    bool match = true;
    for (std::size_t i = 0; i < WINDOW && match; ++i)
      match = phrase[(offset + i) % phrase.size()] == s[2 * (from + i)];
    if (match) return offset;
  }
  return std::nullopt;
}

// The first frame where the recorded track leaves the device's looping
// phrase (both channels hear it); -1 when every frame follows.
std::int64_t firstBreak(const state::AppState& app, const std::vector<std::int16_t>& phrase) {
  const std::int16_t* s = app.samples.get();
  const std::size_t frames = app.frameCount;
  std::size_t j = 0;  // the phrase ends in a breath of silence: find a sound
  while (j < frames && s[2 * j] == 0) ++j;
  const std::optional<std::size_t> offset = placeInPhrase(s, frames, j, phrase);
  if (!offset) return static_cast<std::int64_t>(j);
  const std::size_t start = (*offset + phrase.size() - j % phrase.size()) % phrase.size();
  for (std::size_t f = 0; f < frames; ++f) {
    const std::int16_t want = phrase[(start + f) % phrase.size()];
    if (s[2 * f] != want || s[2 * f + 1] != want) return static_cast<std::int64_t>(f);
  }
  return -1;
}

TEST(AppSoak, RecordingToTheHourLimitKeepsEveryBlockHoldsOnlyItsChunksAndStopsOnce) {
  const bool fullHour = soaktest::soakSeconds(0) >= 3600;
  apptest::DeviceHarness d;
  // 44100 Hz, 2048-frame blocks, 256 blocks (2 MiB) a chunk. At 8 times real
  // time the 16 blocks the host holds last 90 ms: a machine busy with builds
  // still keeps up.
  ASSERT_TRUE(d.openVirtual("input = voice\n", 8));
  apptest::Harness& h = *d.h;
  const state::AppState& app = h.app;
  ASSERT_EQ(app.maxChunks, 44100u * 3600 / (256 * 2048) + 1) << "one hour and one chunk";
  if (!fullHour) {
    // The same path at a few seconds: the limit is the chunk count.
    h.app.blocksPerChunk = 8;
    h.app.maxChunks = 24;
  }
  const std::uint64_t chunkBytes = std::uint64_t{app.blocksPerChunk} * app.blockFrames * 2 * 2;
  chunkWatch.app = &h.app;
  chunkWatch.made = 0;
  chunkWatch.misplaced = 0;
  h.ctx().allocateChunk = &watchedChunk;
  int finishes = 0;  // the program's own finishing, counted
  h.ctx().finishRecording = [&finishes](app::AppContext& ctx) {
    ++finishes;
    app::finishRecording(ctx);
  };

  std::atomic<std::uint64_t> audioFrames{0};
  soaktest::Watchdog watchdog(
      120s, [&] { return "recording, " + std::to_string(audioFrames.load()) + " frames in"; });
  const std::int64_t before = heldBytes();
  std::int64_t worstExcess = 0;
  const auto started = Clock::now();
  d.click(view::ID_RECORD);
  ASSERT_EQ(app.mode, TransportMode::Recording);
  // The message loop: Stop is what ends it. The records the Shell keeps of
  // each drawing are dropped as the loop goes, or they would read as growth.
  int stopPosts = 0;
  std::int64_t excessAtLimit = 0;
  std::uint32_t chunksAtLimit = 0;
  auto lastClear = Clock::now();
  while (app.mode != TransportMode::Idle) {
    const std::optional<int> id = h.shell.takePosted(10ms);
    if (id || app.deviceFrames.load() != audioFrames.load()) watchdog.kick();
    audioFrames = app.deviceFrames.load();
    if (Clock::now() - lastClear > 200ms && app.mode == TransportMode::Recording) {
      h.shell.clearRecords();
      lastClear = Clock::now();
      // Beyond the counted chunks: one chunk's worth, for the spool buffer
      // Record allocates or a chunk allocated but not yet counted.
      worstExcess = std::max(
          worstExcess, heldBytes() - before -
                           static_cast<std::int64_t>(chunkBytes) * (app.chunkCount.load() + 1));
    }
    if (!id) continue;
    if (*id == view::ID_STOP && ++stopPosts == 1) {
      chunksAtLimit = app.chunkCount;
      excessAtLimit = heldBytes() - before - static_cast<std::int64_t>(chunkBytes) * chunksAtLimit;
    }
    h.window.onCommand(*id);
  }
  const double wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  const std::uint64_t deliveredByStop = app.deviceFrames;
  ASSERT_TRUE(h.finishWorkers(600s)) << "the record finishing thread ended";
  // Blocks that came after the limit posted Stop again until the stream
  // stopped; handled now, with the transport Idle, they change nothing.
  while (const std::optional<int> id = h.shell.takePosted(20ms)) {
    if (*id == view::ID_STOP) ++stopPosts;
    h.window.onCommand(*id);
  }

  EXPECT_EQ(app.mode, TransportMode::Idle);
  EXPECT_EQ(chunksAtLimit, app.maxChunks) << "the limit, not memory, ended it";
  EXPECT_EQ(chunkWatch.made.load(), app.maxChunks);
  EXPECT_EQ(chunkWatch.misplaced.load(), 0u) << "a block lost or repeated before a chunk ended";
  const std::uint64_t blocksKept = std::uint64_t{app.maxChunks} * app.blocksPerChunk;
  EXPECT_EQ(app.frameCount, blocksKept * app.blockFrames) << "the track holds every chunk, full";
  // The blocks delivered up to the one that found the limit: the last
  // chunk's first block and the rest of that chunk.
  const std::uint64_t delivered =
      (chunkWatch.lastAt - chunkWatch.firstBlockEnd) / app.blockFrames + app.blocksPerChunk;
  EXPECT_EQ(delivered, blocksKept);
  const std::vector<std::int16_t> phrase = virtualdevice::makeVoicePhrase(44100);
  EXPECT_EQ(firstBreak(app, phrase), -1) << "the frame where the recording leaves the input";
  EXPECT_TRUE(h.shell.messageBoxes.empty()) << h.shell.messageBoxes.front().text;
  EXPECT_GE(stopPosts, 1);
  EXPECT_EQ(finishes, 1) << "one Stop ended the recording; the later ones found it Idle";
  EXPECT_LT(excessAtLimit, 8 << 20) << "memory beyond the chunk list at the limit";
  EXPECT_LT(worstExcess, 8 << 20) << "memory beyond the chunk list on the way";
  EXPECT_TRUE(h.shell.violations.empty()) << h.shell.violations.front();
  std::printf(
      "recording: %.0f s of audio in %.1f s; %llu blocks recorded of %llu delivered up to the "
      "limit (%llu by Stop); %u chunks of %llu bytes = %llu bytes; memory beyond them %lld "
      "bytes at the limit, at most %lld on the way; Stop posted %d times, recording finished "
      "%d times\n",
      static_cast<double>(app.frameCount) / 44100, wallSeconds,
      static_cast<unsigned long long>(blocksKept), static_cast<unsigned long long>(delivered),
      static_cast<unsigned long long>(deliveredByStop / app.blockFrames), chunksAtLimit,
      static_cast<unsigned long long>(chunkBytes),
      static_cast<unsigned long long>(chunkBytes * chunksAtLimit),
      static_cast<long long>(excessAtLimit), static_cast<long long>(worstExcess), stopPosts,
      finishes);
}

// --- play and loop with clicks at random ---

bool paused(TransportMode m) {
  return m == TransportMode::PlayPaused || m == TransportMode::LoopPaused;
}

// The mode a click leads to from `m`, by the transport's rules (the clicks
// the soak makes are only those a user could: enabled buttons).
TransportMode after(TransportMode m, int id) {
  using enum TransportMode;
  if (id == view::ID_STOP) return Idle;
  if (m == Idle && (id == view::ID_PLAY || id == view::ID_LOOP))
    return id == view::ID_PLAY ? Playing : Looping;
  if (id != view::ID_PAUSE) return m;  // zoom, or Play and Loop while streaming
  if (m == Playing || m == Looping) return m == Playing ? PlayPaused : LoopPaused;
  if (paused(m)) return m == PlayPaused ? Playing : Looping;
  return m;
}

TEST(AppSoak, PlayAndLoopWithStopPauseAndZoomAtRandomMomentsNeverHangAndStayConsistent) {
  const double audioSeconds = soaktest::soakSeconds(120);
  const char* seedText = std::getenv("CANTORA_SOAK_SEED");
  const std::uint32_t seed = seedText != nullptr
                                 ? static_cast<std::uint32_t>(std::strtoul(seedText, nullptr, 10))
                                 : 20261207u;
  apptest::DeviceHarness d;
  ASSERT_TRUE(d.openVirtual("input = silence\n", 100));
  apptest::Harness& h = *d.h;
  const state::AppState& app = h.app;
  // Ten seconds of stereo, so that Play ends by itself now and then.
  const std::uint32_t trackFrames = 441000;
  h.loadTrack(trackFrames, 2);
  h.shell.clearRecords();

  std::mt19937 random(seed);
  std::atomic<int> round{0};
  soaktest::Watchdog watchdog(30s, [&] {
    return "round " + std::to_string(round.load()) + ", seed " + std::to_string(seed);
  });
  const auto targetFrames = static_cast<std::uint64_t>(audioSeconds * 44100);
  std::uint64_t framesBefore = 0;  // of the streams before the current one
  int clicks = 0, postedStops = 0, selections = 0, cursorDraws = 0;
  TransportMode expected = TransportMode::Idle;
  const auto started = Clock::now();
  while (framesBefore + app.deviceFrames < targetFrames) {
    round.fetch_add(1);
    SCOPED_TRACE("round " + std::to_string(round.load()) + ", seed " + std::to_string(seed));
    watchdog.kick();
    int id = 0;
    const std::uint32_t dice = random() % 100;
    if (expected == TransportMode::Idle) {
      if (dice < 15) {
        // Sometimes within a selection, down to less than a block, which
        // the loop repeats inside one block.
        const std::uint32_t start = random() % trackFrames;
        const std::uint32_t length = 1 + random() % (random() % 2 == 0 ? 4096 : trackFrames);
        h.select(start, std::min(trackFrames, start + length));
        ++selections;
      } else if (dice < 25) {
        h.app.selActive = false;
      }
      id = random() % 2 == 0 ? view::ID_PLAY : view::ID_LOOP;
      framesBefore += app.deviceFrames;  // the start counts afresh
    } else if (dice < 20) {
      id = view::ID_STOP;
    } else if (dice < 45) {
      id = view::ID_PAUSE;
    } else if (dice < 85) {
      id = random() % 2 == 0 ? view::ID_ZOOM_IN : view::ID_ZOOM_OUT;
    }
    if (id != 0) {
      ASSERT_TRUE(h.shell.buttons[id].enabled)
          << "button " << id << " in mode " << static_cast<int>(expected);
      h.window.onCommand(id);
      expected = after(expected, id);
      ++clicks;
    }
    // Up to a few blocks' time, with the posted commands handled: the end of
    // a play posts Stop.
    const auto until = Clock::now() + std::chrono::microseconds(random() % 4000);
    do {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
      if (std::optional<int> posted = h.shell.takePosted(std::max(left, 1ms))) {
        h.window.onCommand(*posted);
        if (*posted == view::ID_STOP) {
          ++postedStops;
          expected = TransportMode::Idle;
        }
      }
    } while (Clock::now() < until);

    // After every step: the mode is the one the clicks lead to (or Idle from
    // a posted Stop), and the buttons and the stream agree with it.
    const TransportMode mode = app.mode;
    ASSERT_EQ(mode, expected);
    ASSERT_EQ(app.paused, paused(mode));
    for (int b : {view::ID_PLAY, view::ID_LOOP, view::ID_RECORD})
      ASSERT_EQ(h.shell.buttons[b].enabled, mode == TransportMode::Idle) << "button " << b;
    ASSERT_EQ(h.shell.buttons[view::ID_PAUSE].text == "Resume", paused(mode));
    if (mode == TransportMode::Idle) {
      // A stopped stream calls back no more.
      const std::uint64_t frames = app.deviceFrames;
      std::this_thread::sleep_for(1ms);
      ASSERT_EQ(app.deviceFrames, frames);
    }
    if (round.load() % 512 == 0) {
      cursorDraws += h.shell.count("drawCursorLine");
      h.shell.clearRecords();
      h.waits.clear();
    }
  }
  h.window.onCommand(view::ID_STOP);
  cursorDraws += h.shell.count("drawCursorLine");
  EXPECT_EQ(app.mode, TransportMode::Idle);
  EXPECT_GT(cursorDraws, 0) << "the follow step drew the cursor";
  EXPECT_TRUE(h.shell.violations.empty()) << h.shell.violations.front();
  const double wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  std::printf(
      "play and loop: seed %u, %.0f s of audio in %.1f s, %d rounds, %d clicks, %d selections, "
      "%d posted Stops, %d cursor draws by the follow step\n",
      seed, static_cast<double>(framesBefore + app.deviceFrames) / 44100, wallSeconds, round.load(),
      clicks, selections, postedStops, cursorDraws);
}

}  // namespace
