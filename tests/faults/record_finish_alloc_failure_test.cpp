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
#include <vector>

#include "app/app_constants.h"
#include "app/app_context.h"
#include "app/app_harness.h"
#include "app/recorded_chunks.h"
#include "audiofile/audio_test_files.h"
#include "audiofile/wav_writer.h"
#include "failing_allocator.h"
#include "swept_window.h"
#include "view/view_constants.h"

namespace {

using faulttest::Outcome;
using state::TransportMode;

// The main window recording, its chunk list filled by the test.
struct Recording : faulttest::SweptWindow {
  std::vector<std::int16_t> interleaved;
  std::vector<std::string> hostLog;  // room made, so the log allocates nothing

  Recording(bool outgrewMemory, const std::string& target) {
    hostLog.reserve(16);
    app.streamReady = app.driverOpen = true;
    app.deviceIndex = 0;
    app.blockFrames = 1024;
    app.blocksPerChunk = 16;
    app.driverRate = 48000;
    window.setTransportHost(std::make_unique<apptest::FakeHost>(hostLog, app));
    window.onCommand(view::ID_RECORD);
    interleaved = apptest::appendChunks(app, 3, 5);
    // As the input callback leaves it when a chunk could not be allocated.
    app.spoolToFile = outgrewMemory;
    // A second answer for the dialog asked again after a failed create.
    shell.fileAnswers = {target, target};
  }
  ~Recording() { window.onDestroy(); }

  // Stop, the worker, and the commands it posted.
  void stopAndFinish() {
    window.onCommand(view::ID_STOP);
    runUntil([this] { return window.context().workersRunning.load() == 0; },
             std::chrono::seconds(30));
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
