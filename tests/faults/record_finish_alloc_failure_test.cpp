// Every allocation of the finishing of a recording fails once, in turn, from
// Stop to the window told that the worker ended: into memory, and spooled to
// a file (the recording outgrew memory). The recording is never lost
// silently: it becomes the track, or reaches the file chosen, or the user is
// told; the transport is back to Idle with the chunk list and the spool
// buffer freed, and nothing leaks.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "app/app_constants.h"
#include "app/app_context.h"
#include "app/main_window.h"
#include "app/transport_host.h"
#include "audiofile/audio_test_files.h"
#include "audiofile/wav_writer.h"
#include "failing_allocator.h"
#include "state/record_chunk.h"
#include "uncounted_shell.h"
#include "view/view_constants.h"

namespace {

using faulttest::Outcome;
using state::TransportMode;

class QuietHost : public app::TransportHost {
 public:
  bool streamPrime() override { return true; }
  bool streamStart() override { return true; }
  void streamStop() override {}
  void streamPause() override {}
  void streamResume() override {}
  void streamClose() override {}
  void hostShutdown() override {}
};

constexpr std::uint32_t BLOCK_FRAMES = 1024, BLOCKS_PER_CHUNK = 16, CHUNKS = 3, LAST_BLOCKS = 5;

// The main window, recording into a chunk list the test filled.
struct Recording {
  state::AppState app;
  faulttest::UncountedShell shell;
  app::MainWindow window{app, shell};
  std::vector<std::int16_t> interleaved;

  Recording(bool outgrewMemory, const std::string& target) {
    shell.setClientSize({800, 400});
    window.setSettleWait([](std::chrono::milliseconds) {});
    window.onCreate();
    app.streamReady = true;
    app.driverOpen = true;
    app.deviceIndex = 0;
    app.blockFrames = BLOCK_FRAMES;
    app.blocksPerChunk = BLOCKS_PER_CHUNK;
    app.driverRate = 48000;
    window.setTransportHost(std::make_unique<QuietHost>());
    window.onCommand(view::ID_RECORD);
    for (std::uint32_t c = 0; c < CHUNKS; ++c) {
      state::RecordChunk* chunk = state::RecordChunk::create(BLOCKS_PER_CHUNK, BLOCK_FRAMES);
      chunk->blocksUsed = c + 1 == CHUNKS ? LAST_BLOCKS : BLOCKS_PER_CHUNK;
      for (std::uint32_t i = 0; i < chunk->blocksUsed * BLOCK_FRAMES; ++i) {
        chunk->left[i] = static_cast<std::int16_t>(interleaved.size() % 30011);
        chunk->right[i] = static_cast<std::int16_t>(-1 - static_cast<int>(interleaved.size()));
        interleaved.push_back(chunk->left[i]);
        interleaved.push_back(chunk->right[i]);
      }
      app.chunks.append(chunk);
      app.chunkCount.fetch_add(1);
    }
    // As the input callback leaves it when a chunk could not be allocated.
    app.spoolToFile = outgrewMemory;
    // A second answer for the dialog asked again after a failed create.
    shell.fileAnswers = {target, target};
  }
  ~Recording() { window.onDestroy(); }

  // Stop, the worker, and the commands it posted, as the message loop runs them.
  void stopAndFinish() {
    window.onCommand(view::ID_STOP);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (window.context().workersRunning.load() > 0 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (;;) {
      std::optional<int> id;
      {
        faulttest::Uncounted uncounted;
        id = shell.takePosted(std::chrono::milliseconds(0));
      }
      if (!id) break;
      window.onCommand(*id);
    }
  }
};

TEST(RecordFinishAllocationFailure, TheRecordingIsKeptOrTheUserIsTold) {
  testfiles::TempDir dir("record_finish_alloc");
  const std::string target = dir.file("take.wav");
  const std::vector<std::string> told = {app::MSG_RECORDING_OUT_OF_MEMORY, app::MSG_CANNOT_CREATE,
                                         app::MSG_RECORDING_INCOMPLETE};
  for (const bool outgrewMemory : {false, true}) {
    SCOPED_TRACE(outgrewMemory ? "spooled to a file" : "in memory");
    std::unique_ptr<Recording> r;
    faulttest::sweepAllocations(
        outgrewMemory ? "record finishing to a file" : "record finishing in memory",
        {[&] {
           r.reset();
           std::filesystem::remove(target);
           r = std::make_unique<Recording>(outgrewMemory, target);
         },
         [&] { r->stopAndFinish(); },
         [&] {
           state::AppState& app = r->app;
           EXPECT_EQ(app.mode, TransportMode::Idle);
           EXPECT_EQ(r->window.context().workersRunning.load(), 0);
           EXPECT_EQ(app.chunks.head, nullptr);
           EXPECT_EQ(app.chunkCount, 0u);
           EXPECT_FALSE(app.spoolBuffer);
           EXPECT_FALSE(app.spoolToFile);
           EXPECT_TRUE(r->shell.violations.empty()) << r->shell.violations.front();
           for (const auto& box : r->shell.messageBoxes) {
             EXPECT_NE(std::find(told.begin(), told.end(), box.text), told.end()) << box.text;
             EXPECT_EQ(box.caption, app::CAPTION_CREATE_ERROR);
           }
           const bool inTrack =
               app.hasTrack() &&
               std::equal(r->interleaved.begin(), r->interleaved.end(), app.samples.get()) &&
               app.frameCount * 2 == r->interleaved.size();
           const std::vector<unsigned char> file = testfiles::readFile(target);
           const bool inFile =
               file.size() == audiofile::WAV_WRITER_DATA_OFFSET + r->interleaved.size() * 2 &&
               std::memcmp(file.data() + audiofile::WAV_WRITER_DATA_OFFSET, r->interleaved.data(),
                           r->interleaved.size() * 2) == 0;
           if (!r->shell.messageBoxes.empty()) return Outcome::Refused;
           EXPECT_TRUE(inTrack || inFile) << "the recording was lost without a word";
           EXPECT_TRUE(!outgrewMemory || !app.hasTrack());
           return Outcome::Survived;
         }});
  }
}

}  // namespace
