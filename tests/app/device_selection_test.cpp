// Choosing the audio device through the device dialog: the block sizes, the
// dialog's list, the driver and stream opened through the host, and what a
// cancelled, empty or failed choice leaves behind.
#include <gtest/gtest.h>

#include "app/device_harness.h"
#include "app/device_selection.h"

namespace {

using apptest::DeviceHarness;

TEST(BlockSizes, AtLeast40MsAndTwoDriverBuffersWithHalfAMillionFramesAChunk) {
  struct Row {
    std::int32_t rate, buffer;
    std::uint32_t blockFrames, blocksPerChunk, maxChunks;
  };
  const Row rows[] = {
      {44100, 512, 2048, 256, 303},  {48000, 256, 2048, 256, 330},
      {44100, 2048, 4096, 128, 303},  // a buffer longer than 40 ms: still two
      {44100, 441, 1764, 512, 176},  {96000, 64, 3840, 256, 352},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.rate << " Hz, " << r.buffer << " frames");
    const app::BlockSizes s = app::blockSizesFor(r.rate, r.buffer);
    EXPECT_EQ(s.blockFrames, r.blockFrames);
    EXPECT_EQ(s.blocksPerChunk, r.blocksPerChunk);
    EXPECT_EQ(s.maxChunks, r.maxChunks);
  }
}

std::string twoDevices() {
  return hosttest::virtualCatalogue("pacing = fast\n") +
         "[Second]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\n"
         "description = Second Virtual Device\nsamplerate = 48000\nbuffersize = 256\n"
         "pacing = fast\n";
}

TEST(DeviceSelection, OpensTheChosenDriverAndStreamOnceAndClosesThemAtTeardown) {
  DeviceHarness d;
  d.h = std::make_unique<apptest::Harness>();
  setenv("CANTORA_DRIVER_CATALOGUE", d.folder.write("drivers.ini", twoDevices()).c_str(), 1);
  apptest::Harness& h = *d.h;
  h.shell.deviceAnswers.push_back(1);
  h.window.onCommand(app::CMD_SELECT_DEVICE);
  EXPECT_EQ(h.shell.deviceNames,
            (std::vector<std::string>{"Virtual Audio Device", "Second Virtual Device"}));
  EXPECT_EQ(h.app.deviceIndex, 1);
  EXPECT_TRUE(h.app.driverOpen);
  EXPECT_TRUE(h.app.streamReady);
  EXPECT_EQ(h.app.driverRate, 48000u);
  EXPECT_EQ(h.app.blockFrames, 2048u);
  EXPECT_EQ(h.app.blocksPerChunk, 256u);
  EXPECT_EQ(h.app.maxChunks, 330u);
  EXPECT_EQ(HostkitSampleRate(), 48000);

  // (A second choice refused: MainWindowCommands and the failed driver below.)
  h.window.onDestroy();
  EXPECT_EQ(HostkitSampleRate(), 0) << "the driver is closed";
}

TEST(DeviceSelection, CancelOrAnEmptyListLeaveTheCommandUsable) {
  for (const bool empty : {false, true}) {
    SCOPED_TRACE(empty ? "empty catalogue" : "cancelled");
    DeviceHarness d;
    setenv("CANTORA_DRIVER_CATALOGUE",
           d.folder.write("drivers.ini", empty ? "[classes]\n" : twoDevices()).c_str(), 1);
    d.h = std::make_unique<apptest::Harness>();
    apptest::Harness& h = *d.h;
    if (!empty) h.shell.deviceAnswers.push_back(std::nullopt);
    h.window.onCommand(app::CMD_SELECT_DEVICE);
    EXPECT_EQ(h.shell.deviceNames.empty(), empty);
    EXPECT_EQ(h.app.deviceIndex, -1);
    EXPECT_FALSE(h.app.driverOpen || h.app.streamReady);
    h.window.onCommand(app::CMD_SELECT_DEVICE);
    EXPECT_EQ(h.shell.count("runDeviceDialog"), 2) << "asked again";
    EXPECT_TRUE(h.shell.messageBoxes.empty());
  }
}

TEST(DeviceSelection, AFailedDriverKeepsTheChoiceAndTheTransportRefuses) {
  DeviceHarness d;
  // The driver refuses a rate it cannot run at.
  EXPECT_FALSE(d.open(hosttest::virtualCatalogue("samplerate = 5\n")));
  apptest::Harness& h = *d.h;
  EXPECT_EQ(h.app.deviceIndex, 0) << "kept, so the choice is not repeated";
  EXPECT_FALSE(h.app.driverOpen);
  h.loadTrack(10000);
  h.window.onCommand(app::CMD_PLAY);
  h.window.onCommand(app::CMD_SELECT_DEVICE);
  ASSERT_EQ(h.shell.messageBoxes.size(), 2u);
  EXPECT_EQ(h.shell.messageBoxes[0].text, app::MSG_SELECT_DEVICE_FIRST);
  EXPECT_EQ(h.shell.messageBoxes[1].text, app::MSG_DEVICE_ALREADY_SELECTED);
  EXPECT_EQ(h.app.mode, state::TransportMode::Idle);
}

}  // namespace
