// The host and the virtual audio device together, loaded through a catalogue
// as the application loads them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "host/host_state.h"
#include "host/hostkit.h"
#include "host/test_catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;
using hosttest::TempFolder;

// What the output callback sent and the input callback received, per channel.
struct Exchange {
  std::vector<std::int16_t> sentLeft, sentRight, gotLeft, gotRight;
  std::vector<Clock::time_point> inputTimes;
  std::atomic<int> outputCalls{0};
  std::atomic<int> inputCalls{0};
  std::uint32_t next = 1;
};
Exchange* exchange = nullptr;

// A sequence that is never zero, so the start of the loopback is plain.
std::int16_t signalAt(std::uint32_t n, bool right) {
  const auto v = static_cast<std::int16_t>(1 + (n * 7919u + (right ? 4111u : 13u)) % 30000u);
  return right ? static_cast<std::int16_t>(-v) : v;
}

std::int32_t sendSignal(std::int16_t* block, std::uint32_t count, std::uint32_t) {
  const std::uint32_t frames = count / 2;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const std::uint32_t n = exchange->next++;
    block[i] = signalAt(n, false);
    block[frames + i] = signalAt(n, true);
    exchange->sentLeft.push_back(block[i]);
    exchange->sentRight.push_back(block[frames + i]);
  }
  exchange->outputCalls.fetch_add(1);
  return 0;
}

std::int32_t receive(std::int16_t* block, std::uint32_t count, std::uint32_t) {
  const std::uint32_t frames = count / 2;
  exchange->gotLeft.insert(exchange->gotLeft.end(), block, block + frames);
  exchange->gotRight.insert(exchange->gotRight.end(), block + frames, block + 2 * frames);
  exchange->inputTimes.push_back(Clock::now());
  exchange->inputCalls.fetch_add(1);
  return 0;
}

class VirtualDevice : public ::testing::Test {
 protected:
  TempFolder folder;
  Exchange data;
  void SetUp() override {
    exchange = &data;
    data.gotLeft.reserve(1 << 20);
    data.gotRight.reserve(1 << 20);
    data.inputTimes.reserve(4096);
  }
  void TearDown() override {
    host::resetHostForTesting();
    unsetenv("CANTORA_DRIVER_CATALOGUE");
    exchange = nullptr;
  }
  bool startHost(const std::string& settings) {
    const std::string catalogue = folder.write("drivers.ini", hosttest::virtualCatalogue(settings));
    setenv("CANTORA_DRIVER_CATALOGUE", catalogue.c_str(), 1);
    return HostkitInit(nullptr, 0) && HostkitStart(1, 6) == 1;
  }
  bool runStream(std::int32_t framesPerHeader, int inputBlocks) {
    const StreamConfig config{0, framesPerHeader, sendSignal, receive, 0, 0, 0};
    if (!StreamOpen(&config) || !StreamPrime(0) || !StreamStart(0)) return false;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (data.inputCalls < inputBlocks && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    StreamStop(0);
    return data.inputCalls >= inputBlocks;
  }
};

// The loopback latency: where the first sent sample comes back.
std::size_t latencyOf(const std::vector<std::int16_t>& got) {
  std::size_t at = 0;
  while (at < got.size() && got[at] == 0) ++at;
  return at;
}

TEST_F(VirtualDevice, LoopbackReturnsEverySampleAfterAConstantLatencyInEveryFormat) {
  for (const char* type : {"16", "17", "18"}) {
    SCOPED_TRACE(std::string("sample type ") + type);
    data.~Exchange();
    new (&data) Exchange;
    ASSERT_TRUE(startHost(std::string("samplerate = 48000\nbuffersize = 256\ninput = loopback\n"
                                      "pacing = fast\nsampletype = ") +
                          type + "\n"));
    EXPECT_EQ(HostkitSampleRate(), 48000);
    EXPECT_EQ(HostkitChannelCount(), 2);
    const std::int32_t buffer = HostkitBufferSize();
    ASSERT_EQ(buffer, 256);
    ASSERT_TRUE(runStream(16 * buffer, 24));
    const int outputsAtStop = data.outputCalls;
    const int inputsAtStop = data.inputCalls;

    const std::size_t latency = latencyOf(data.gotLeft);
    std::printf("loopback latency, sample type %s: %zu frames\n", type, latency);
    // the device feeds back what was played on the switch after
    EXPECT_EQ(latency, static_cast<std::size_t>(buffer));
    ASSERT_GT(data.gotLeft.size(), latency + 16 * buffer);
    std::size_t mismatches = 0;
    for (std::size_t i = latency; i < data.gotLeft.size(); ++i) {
      mismatches += data.gotLeft[i] != data.sentLeft[i - latency];
      mismatches += data.gotRight[i] != data.sentRight[i - latency];
    }
    EXPECT_EQ(mismatches, 0u);
    // 16 blocks primed ahead, then one refill per block handed back
    EXPECT_GE(outputsAtStop, 16 + inputsAtStop - 1);
    EXPECT_LE(outputsAtStop, 16 + inputsAtStop + 1);

    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(data.outputCalls.load(), outputsAtStop) << "a callback after StreamStop";
    EXPECT_EQ(data.inputCalls.load(), inputsAtStop) << "a callback after StreamStop";
    host::resetHostForTesting();
  }
}

TEST_F(VirtualDevice, RealtimePacingDeliversABlockPerBlockDuration) {
  ASSERT_TRUE(startHost("samplerate = 44100\nbuffersize = 256\ninput = loopback\n"));
  const int blocks = 40;
  ASSERT_TRUE(runStream(512, blocks));
  const double blockMs = 512 * 1000.0 / 44100;
  double sum = 0;
  double worst = 0;
  // the first blocks come as fast as the primed headers allow; time the rest
  for (std::size_t i = 2; i < data.inputTimes.size(); ++i) {
    const double ms =
        std::chrono::duration<double, std::milli>(data.inputTimes[i] - data.inputTimes[i - 1])
            .count();
    sum += ms;
    worst = std::max(worst, ms);
  }
  const double mean = sum / static_cast<double>(data.inputTimes.size() - 2);
  std::printf("realtime pacing: block %.2f ms, mean interval %.2f ms, worst %.2f ms\n", blockMs,
              mean, worst);
  EXPECT_EQ(latencyOf(data.gotLeft), 256u);
  EXPECT_GT(mean, 0.0);
}

TEST_F(VirtualDevice, VoiceInputSingsTheSameOnBothChannels) {
  ASSERT_TRUE(startHost("buffersize = 512\npacing = fast\nspeed = 20\n"));
  ASSERT_TRUE(runStream(2048, 12));
  ASSERT_EQ(data.gotLeft, data.gotRight);
  double energy = 0;
  int crossings = 0;
  for (std::size_t i = 1; i < data.gotLeft.size(); ++i) {
    energy += static_cast<double>(data.gotLeft[i]) * data.gotLeft[i];
    crossings += (data.gotLeft[i - 1] < 0) != (data.gotLeft[i] < 0);
  }
  const double rms = std::sqrt(energy / static_cast<double>(data.gotLeft.size()));
  EXPECT_GT(rms, 1000.0);
  // a voice around 200 Hz crosses zero a few hundred times a second, not thousands
  const double seconds = static_cast<double>(data.gotLeft.size()) / 44100;
  EXPECT_GT(crossings / seconds, 100.0);
  EXPECT_LT(crossings / seconds, 3000.0);
}

TEST_F(VirtualDevice, TransportCyclesNeverDeliverAfterStop) {
  ASSERT_TRUE(startHost("buffersize = 64\ninput = loopback\npacing = fast\nspeed = 4\n"));
  const StreamConfig config{0, 256, sendSignal, receive, 0, 0, 0};
  ASSERT_TRUE(StreamOpen(&config));
  for (int cycle = 0; cycle < 12; ++cycle) {
    SCOPED_TRACE(cycle);
    ASSERT_TRUE(StreamPrime(0));
    ASSERT_TRUE(StreamStart(0));
    const int target = data.inputCalls + 3;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (data.inputCalls < target && Clock::now() < deadline) std::this_thread::yield();
    StreamPause(0);
    EXPECT_FALSE(StreamStart(0));
    StreamResume(0);
    if (cycle % 2 == 1) StreamPause(0);  // stopping a paused stream works too
    StreamStop(0);
    const int outputs = data.outputCalls;
    const int inputs = data.inputCalls;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(data.outputCalls.load(), outputs);
    EXPECT_EQ(data.inputCalls.load(), inputs);
  }
  StreamClose(0);
}

std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

TEST_F(VirtualDevice, CaptureWritesWhatWasPlayedAsAWavFile) {
  const std::string capture = folder.path() + "/played.wav";
  ASSERT_TRUE(
      startHost("buffersize = 256\npacing = fast\ninput = silence\nsampletype = 17\n"
                "capture = " +
                capture + "\n"));
  ASSERT_TRUE(runStream(512, 8));
  HostkitShutdown();
  const std::vector<unsigned char> wav = readFile(capture);
  ASSERT_GE(wav.size(), 44u + 6 * 512);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(le(wav, 4, 4), wav.size() - 8);
  EXPECT_EQ(le(wav, 20, 2), 1u);  // PCM
  EXPECT_EQ(le(wav, 22, 2), 2u);  // channels
  EXPECT_EQ(le(wav, 24, 4), 44100u);
  EXPECT_EQ(le(wav, 34, 2), 24u);  // bits
  EXPECT_EQ(le(wav, 40, 4), wav.size() - 44);
  // the device runs from HostkitStart on, so the played signal follows some
  // silence; from there on every frame is what was sent, in the top 16 of 24 bits
  const std::size_t frames = (wav.size() - 44) / 6;
  std::size_t start = 0;
  while (start < frames && le(wav, 44 + start * 6, 3) == 0) ++start;
  ASSERT_LE(start + 4096, frames);
  for (std::size_t i = 0; i < 4096; ++i) {
    const std::size_t at = 44 + (start + i) * 6;
    ASSERT_EQ(wav[at], 0) << i;
    ASSERT_EQ(static_cast<std::int16_t>(le(wav, at + 1, 2)), data.sentLeft[i]) << i;
    ASSERT_EQ(static_cast<std::int16_t>(le(wav, at + 4, 2)), data.sentRight[i]) << i;
  }
}

TEST_F(VirtualDevice, BadSettingsOrAnUnwritableCaptureRefuseToInitialise) {
  const std::string catalogue =
      folder.write("drivers.ini", hosttest::virtualCatalogue("samplerate = fast\n"));
  setenv("CANTORA_DRIVER_CATALOGUE", catalogue.c_str(), 1);
  EXPECT_FALSE(HostkitInit(nullptr, 0));
  EXPECT_NE(std::string(HostkitErrorText()).find("samplerate"), std::string::npos)
      << HostkitErrorText();
  folder.write("drivers.ini",
               hosttest::virtualCatalogue("capture = " + folder.path() + "/no/such/dir.wav\n"));
  EXPECT_FALSE(HostkitInit(nullptr, 0));
  EXPECT_NE(std::string(HostkitErrorText()).find("dir.wav"), std::string::npos)
      << HostkitErrorText();
  EXPECT_EQ(HostkitSampleRate(), 0);
  folder.write("drivers.ini", "");
  EXPECT_FALSE(HostkitInit(nullptr, 0));
  EXPECT_STREQ(HostkitErrorText(), "no audio driver is listed in the driver catalogue");
}

TEST_F(VirtualDevice, InitialisesOncePerProcessAndCountsDevicesFromTheCatalogue) {
  const std::string two = hosttest::virtualCatalogue("pacing = fast\n") +
                          "[Second]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\n"
                          "description = Second Virtual Device\npacing = fast\n";
  setenv("CANTORA_DRIVER_CATALOGUE", folder.write("drivers.ini", two).c_str(), 1);
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
  const std::string two = hosttest::virtualCatalogue("pacing = fast\n") +
                          "[Second]\nclsid = {6C1B9E52-3F0A-4D8E-9A71-2B5C8E0D4F13}\n";
  setenv("CANTORA_DRIVER_CATALOGUE", folder.write("drivers.ini", two).c_str(), 1);
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedConfig = oldConfig != nullptr ? oldConfig : "";
  setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
  char savedDir[4096];
  ASSERT_NE(getcwd(savedDir, sizeof savedDir), nullptr);
  ASSERT_EQ(chdir(folder.path().c_str()), 0);

  folder.write("ASIOConfig.txt", "1 and the rest is not read");
  EXPECT_EQ(host::configuredDeviceIndex(), 1);
  folder.write("ASIOConfig.txt", "Z");  // 'Z' - '0' = 42: beyond the list
  EXPECT_EQ(host::configuredDeviceIndex(), 42);
  ASSERT_EQ(mkdir((folder.path() + "/Harbourline").c_str(), 0700), 0);
  folder.write("Harbourline/Rivulet.conf", "[Options]\nDevnum = 1\n");
  EXPECT_EQ(host::configuredDeviceIndex(), 1);
  ASSERT_TRUE(HostkitInit(nullptr, -1));
  EXPECT_EQ(host::hostState().deviceIndex, 1);
  host::resetHostForTesting();

  folder.write("Harbourline/Rivulet.conf", "[Options]\nDevnum = 7\n");
  ASSERT_TRUE(HostkitInit(nullptr, -1));
  EXPECT_EQ(host::hostState().deviceIndex, 0);

  ASSERT_EQ(chdir(savedDir), 0);
  if (oldConfig != nullptr) {
    setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
