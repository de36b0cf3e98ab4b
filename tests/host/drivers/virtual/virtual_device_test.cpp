// The host and the virtual audio device together, installed as the system
// installs drivers (a catalogue, or on Windows the registry and COM) and
// loaded as the application loads them.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "audiofile/audio_test_files.h"
#include "host/driver_list.h"
#include "host/host_constants.h"
#include "host/hostkit.h"
#include "host/hostkit_testing.h"
#include "host/installed_drivers.h"
#include "host/loopback_exchange.h"

namespace {

using Clock = std::chrono::steady_clock;
using hosttest::Exchange;

class VirtualDevice : public ::testing::Test {
 protected:
  hosttest::InstalledDrivers drivers;
  std::unique_ptr<Exchange> data;
  void SetUp() override { fresh(); }
  void TearDown() override {
    host::resetHostForTesting();
    Exchange::current() = nullptr;
  }
  void fresh() {
    data = std::make_unique<Exchange>();
    Exchange::current() = data.get();
  }
  bool startHost(const std::string& settings) {
    drivers.virtualDevice(settings);
    return HostkitInit(nullptr, 0) && HostkitStart(1, 6) == 1;
  }
  bool runStream(std::int32_t framesPerHeader, int inputBlocks) {
    const StreamConfig config{0, framesPerHeader, Exchange::send, Exchange::receive, 0, 0, 0};
    if (!StreamOpen(&config) || !StreamPrime(0) || !StreamStart(0)) return false;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (data->inputCalls < inputBlocks && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    StreamStop(0);
    return data->inputCalls >= inputBlocks;
  }
};

// A delivery thread late by more than the primed headers last loses a block
// (the port plays silence and moves no cursor), so the fast clock must leave
// room for a machine busy with other work: 16 headers of 4096 frames at
// 48000 Hz and twice real time are 680 ms. The last row runs at real time.
TEST_F(VirtualDevice, LoopbackReturnsEverySampleAfterAConstantLatencyInEveryFormat) {
  for (const std::string pacing :
       {"pacing = fast\nspeed = 2\nsampletype = 16", "pacing = fast\nspeed = 2\nsampletype = 17",
        "pacing = fast\nspeed = 2\nsampletype = 18", "pacing = realtime\nsampletype = 16"}) {
    SCOPED_TRACE(pacing);
    fresh();
    ASSERT_TRUE(
        startHost("samplerate = 48000\nbuffersize = 256\ninput = loopback\n" + pacing + "\n"));
    EXPECT_EQ(HostkitSampleRate(), 48000);
    EXPECT_EQ(HostkitChannelCount(), 2);
    const std::int32_t buffer = HostkitBufferSize();
    ASSERT_EQ(buffer, 256);
    ASSERT_TRUE(runStream(16 * buffer, 20));
    const int outputsAtStop = data->outputCalls;
    const int inputsAtStop = data->inputCalls;

    const std::size_t latency = data->latency();
    // the device feeds back what was played on the switch after
    EXPECT_EQ(latency, static_cast<std::size_t>(buffer));
    // past the 16 primed headers: refilled ones came back too
    ASSERT_GT(data->got[0].size(), latency + 17 * 16 * buffer);
    EXPECT_EQ(data->mismatches(latency), 0u);
    // 16 blocks primed ahead, then one refill per block handed back
    EXPECT_GE(outputsAtStop, 16 + inputsAtStop - 1);
    EXPECT_LE(outputsAtStop, 16 + inputsAtStop + 1);

    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(data->outputCalls.load(), outputsAtStop) << "a callback after StreamStop";
    EXPECT_EQ(data->inputCalls.load(), inputsAtStop) << "a callback after StreamStop";
    host::resetHostForTesting();
  }
}

TEST_F(VirtualDevice, VoiceInputSingsTheSameOnBothChannels) {
  ASSERT_TRUE(startHost("buffersize = 512\npacing = fast\nspeed = 20\n"));
  ASSERT_TRUE(runStream(2048, 12));
  const std::vector<std::int16_t>& got = data->got[0];
  ASSERT_EQ(got, data->got[1]);
  double energy = 0;
  int crossings = 0;
  for (std::size_t i = 1; i < got.size(); ++i) {
    energy += static_cast<double>(got[i]) * got[i];
    crossings += (got[i - 1] < 0) != (got[i] < 0);
  }
  EXPECT_GT(std::sqrt(energy / static_cast<double>(got.size())), 1000.0);
  // a voice around 200 Hz crosses zero a few hundred times a second, not thousands
  const double seconds = static_cast<double>(got.size()) / 44100;
  EXPECT_GT(crossings / seconds, 100.0);
  EXPECT_LT(crossings / seconds, 3000.0);
}

std::uint32_t le(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

// The device runs from HostkitStart on, so the played signal follows some
// silence; from there on the capture's first `count` frames (of `width` bytes
// a sample) are what was sent, in the top 16 bits of each sample.
void expectCaptureHolds(const std::vector<unsigned char>& wav, int width, const Exchange& data,
                        std::size_t count) {
  const std::size_t frameBytes = 2 * static_cast<std::size_t>(width);
  const std::size_t frames = (wav.size() - 44) / frameBytes;
  std::size_t start = 0;
  while (start < frames && le(wav, 44 + start * frameBytes, width) == 0) ++start;
  ASSERT_LE(start + count, frames);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 44 + (start + i) * frameBytes + width - 2;
    ASSERT_EQ(le(wav, at - (width - 2), width - 2), 0u) << "the low bits of frame " << i;
    ASSERT_EQ(static_cast<std::int16_t>(le(wav, at, 2)), data.sent[0][i]) << i;
    ASSERT_EQ(static_cast<std::int16_t>(le(wav, at + width, 2)), data.sent[1][i]) << i;
  }
}

TEST_F(VirtualDevice, CaptureWritesWhatWasPlayedAsAWavFile) {
  const std::string capture = drivers.folder() + "/played.wav";
  ASSERT_TRUE(
      startHost("buffersize = 256\npacing = fast\ninput = silence\nsampletype = 17\n"
                "capture = " +
                capture + "\n"));
  ASSERT_TRUE(runStream(512, 8));
  HostkitShutdown();
  const std::vector<unsigned char> wav = testfiles::readFile(capture);
  ASSERT_GE(wav.size(), 44u + 6 * 512);
  // A canonical 44-byte header: 24-bit stereo PCM at 44100 Hz, sizes filled in.
  const std::vector<unsigned char> frames(wav.begin() + 44, wav.end());
  EXPECT_EQ(wav, testfiles::riffFile({testfiles::fmtChunk(1, 2, 44100, 24), {"data", frames}}));
  expectCaptureHolds(wav, 3, *data, 4096);
}

#ifndef _WIN32
// A disk that takes one page and then stalls for a second (a pipe of the
// smallest size that nobody reads): the clock keeps time meanwhile, and once
// the disk catches up every frame played is in the capture.
TEST_F(VirtualDevice, CaptureOnAStallingDiskNeitherHoldsUpTheClockNorLosesAFrame) {
  const std::string capture = drivers.folder() + "/slow.wav";
  ASSERT_EQ(mkfifo(capture.c_str(), 0600), 0);
  const int reader = open(capture.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  fcntl(reader, F_SETPIPE_SZ, 4096);
  ASSERT_TRUE(
      startHost("buffersize = 256\npacing = realtime\ninput = silence\nsampletype = 18\n"
                "capture = " +
                capture + "\n"));
  const StreamConfig config{0, 512, Exchange::send, Exchange::receive, 0, 0, 0};
  ASSERT_TRUE(StreamOpen(&config) && StreamPrime(0) && StreamStart(0));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const int blocks = data->inputCalls.load();
  std::vector<unsigned char> wav;
  std::thread disk([&] {
    fcntl(reader, F_SETFL, 0);
    unsigned char buffer[1 << 16];
    ssize_t n = 0;
    while ((n = read(reader, buffer, sizeof buffer)) > 0) wav.insert(wav.end(), buffer, buffer + n);
  });
  StreamStop(0);
  StreamClose(0);
  HostkitShutdown();  // releases the device, which closes the capture
  disk.join();
  close(reader);
  // 1 s of 512-frame blocks at 44100 Hz is 86
  EXPECT_GE(blocks, 43) << "the clock waited for the disk";
  // all but the primed headers that never played
  expectCaptureHolds(wav, 4, *data, data->sent[0].size() - 16 * 512);
}
#endif

TEST_F(VirtualDevice, BadSettingsOrAnUnwritableCaptureRefuseToInitialise) {
  const std::pair<std::string, std::string> refused[] = {
      {"samplerate = fast\n", "samplerate"},
      {"capture = " + drivers.folder() + "/no/such/dir.wav\n", "dir.wav"},
      {"", host::NO_DRIVER_TEXT}};
  for (const auto& [settings, reason] : refused) {
    if (settings.empty()) {
      drivers.none();
    } else {
      drivers.virtualDevice(settings);
    }
    EXPECT_FALSE(HostkitInit(nullptr, 0));
    EXPECT_NE(std::string(HostkitErrorText()).find(reason), std::string::npos)
        << HostkitErrorText();
    EXPECT_EQ(HostkitSampleRate(), 0);
  }
}

// The driver list over the device as installed (a catalogue, or the registry
// entry its own registration wrote): opened once, with its default settings.
TEST_F(VirtualDevice, TheDriverListOpensTheInstalledDeviceOnce) {
  drivers.virtualDevice("");
  host::DriverList list;
  ASSERT_EQ(list.count(), 1);
  drivers::AsioDriver* driver = nullptr;
  EXPECT_EQ(list.openDriver(0, nullptr), host::DRIVER_LIST_MISSING_PARAMETER);
  EXPECT_EQ(list.openDriver(1, &driver), host::DRIVER_LIST_NO_SUCH_DRIVER);
  ASSERT_EQ(list.openDriver(0, &driver), host::DRIVER_LIST_OK);
  ASSERT_NE(driver, nullptr);
  char name[drivers::DRIVER_NAME_BYTES] = {};
  driver->getDriverName(name);
  EXPECT_STREQ(name, "Virtual Audio Device");
  ASSERT_EQ(driver->init(nullptr), drivers::DRIVER_TRUE);
  double rate = 0;
  EXPECT_EQ(driver->getSampleRate(&rate), drivers::DRIVER_OK);
  EXPECT_EQ(rate, 44100.0);
  drivers::AsioDriver* again = nullptr;
  EXPECT_EQ(list.openDriver(0, &again), host::DRIVER_LIST_ALREADY_OPEN);
  EXPECT_EQ(again, nullptr);
}

// Two devices: the virtual one and a second entry of the same class.
void installTwoDevices(hosttest::InstalledDrivers& drivers) {
  drivers.virtualDevice("pacing = fast\n", {{"Virtual Audio Device 2", "Second Virtual Device"}});
}

TEST_F(VirtualDevice, InitialisesOncePerProcessAndCountsDevicesFromTheCatalogue) {
  installTwoDevices(drivers);
  char names[64];
  EXPECT_EQ(HostkitListDevices(names, sizeof names), 2);
  EXPECT_STREQ(names, "Virtual Audio Device");
  EXPECT_STREQ(names + 21, "Second Virtual Device");
  // the second name does not fit: the count stays whole
  EXPECT_EQ(HostkitListDevices(names, 30), 2);
  EXPECT_EQ(HostkitListDevices(nullptr, 30), 0);

  ASSERT_TRUE(HostkitInit(nullptr, 2));  // beyond the list: driver 0
  EXPECT_EQ(host::hostState().deviceIndex, 0);
  EXPECT_FALSE(HostkitInit(nullptr, 0));
  HostkitShutdown();
  EXPECT_FALSE(HostkitInit(nullptr, 0));
}

TEST_F(VirtualDevice, ANegativeIndexReadsDevnumThenASIOConfig) {
  installTwoDevices(drivers);
  const std::filesystem::path savedDir = std::filesystem::current_path();
  std::filesystem::current_path(drivers.folder());
  const auto writeConfig = [](const char* text) { std::ofstream("ASIOConfig.txt") << text; };

  writeConfig("1 and the rest is not read");
  EXPECT_EQ(host::configuredDeviceIndex(), 1);
  writeConfig("Z");  // 'Z' - '0' = 42: beyond the list
  EXPECT_EQ(host::configuredDeviceIndex(), 42);
  drivers.storeDevnum(1);
  EXPECT_EQ(host::configuredDeviceIndex(), 1);
  EXPECT_TRUE(HostkitInit(nullptr, -1));
  EXPECT_EQ(host::hostState().deviceIndex, 1);
  host::resetHostForTesting();

  drivers.storeDevnum(7);
  EXPECT_TRUE(HostkitInit(nullptr, -1));
  EXPECT_EQ(host::hostState().deviceIndex, 0);
  std::filesystem::current_path(savedDir);
}

}  // namespace
