#include "app/device_selection.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/audio_callbacks.h"
#include "app/hostkit_transport.h"
#include "host/hostkit.h"

namespace app {

namespace {

// The bytes the driver names are listed into.
constexpr std::int32_t DEVICE_LIST_BYTES = 2048;
// One port, two channels in and out.
constexpr std::int32_t HOST_PORTS = 1;
constexpr HostMode HOST_MODE_STEREO_DUPLEX = 6;
// A block is at least 1/25 s (40 ms) and two driver buffers.
constexpr std::int32_t BLOCKS_PER_SECOND = 25;
constexpr std::int32_t MIN_BUFFERS_PER_BLOCK = 2;
// Frames per channel a recording chunk aims at (twice this, halved below).
constexpr std::uint32_t CHUNK_TARGET_FRAMES = 1048576;
constexpr std::uint32_t SECONDS_PER_HOUR = 3600;

// The driver asked for a reset: the window advises a restart. Called on a
// driver thread; posts and returns.
void onDriverReset(void* window) {
  if (window != nullptr) static_cast<Shell*>(window)->postDriverReset();
}

std::vector<std::string> listDeviceNames() {
  std::vector<std::string> names;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[DEVICE_LIST_BYTES]());
  if (!buffer) return names;
  const std::int32_t count = HostkitListDevices(buffer.get(), DEVICE_LIST_BYTES);
  // The names that fit, in order: their places still match the driver indices.
  const char* name = buffer.get();
  const char* end = buffer.get() + DEVICE_LIST_BYTES;
  // Without memory for the next name the dialog offers those before it.
  try {
    for (std::int32_t i = 0; i < count && name < end && *name != '\0'; ++i) {
      const std::size_t length = strnlen(name, static_cast<std::size_t>(end - name));
      names.emplace_back(name, length);
      name += length + 1;
    }
  } catch (const std::bad_alloc&) {
  }
  return names;
}

}  // namespace

BlockSizes blockSizesFor(std::int32_t sampleRate, std::int32_t bufferFrames) {
  BlockSizes sizes;
  if (sampleRate <= 0 || bufferFrames <= 0) return sizes;
  const std::int64_t wanted = sampleRate / BLOCKS_PER_SECOND;
  std::int64_t buffers = (wanted + bufferFrames - 1) / bufferFrames;
  if (buffers < MIN_BUFFERS_PER_BLOCK) buffers = MIN_BUFFERS_PER_BLOCK;
  sizes.blockFrames = static_cast<std::uint32_t>(buffers * bufferFrames);
  const std::uint32_t q = CHUNK_TARGET_FRAMES / sizes.blockFrames;
  std::uint32_t p = 1;
  while (p < q) p <<= 1;
  sizes.blocksPerChunk = p / 2;
  // A block longer than a chunk's target still gets one block per chunk.
  if (sizes.blocksPerChunk == 0) sizes.blocksPerChunk = 1;
  const std::uint64_t chunkFrames = std::uint64_t{sizes.blocksPerChunk} * sizes.blockFrames;
  sizes.maxChunks = static_cast<std::uint32_t>(
      std::uint64_t{static_cast<std::uint32_t>(sampleRate)} * SECONDS_PER_HOUR / chunkFrames + 1);
  return sizes;
}

void openDevice(AppContext& ctx, std::int32_t index) {
  state::AppState& app = ctx.app;
  app.deviceIndex = index;
  if (index < 0) return;
  HostkitSetResetHandler(&onDriverReset);
  app.driverOpen = HostkitInit(&ctx.shell, index);
  if (!app.driverOpen) return;
  if (HostkitStart(HOST_PORTS, HOST_MODE_STEREO_DUPLEX) != HOST_PORTS) {
    HostkitShutdown();
    app.driverOpen = false;
    return;
  }
  const std::int32_t rate = HostkitSampleRate();
  const BlockSizes sizes = blockSizesFor(rate, HostkitBufferSize());
  app.driverRate = rate > 0 ? static_cast<std::uint32_t>(rate) : 0;
  app.blockFrames = sizes.blockFrames;
  app.blocksPerChunk = sizes.blocksPerChunk;
  app.maxChunks = sizes.maxChunks;
  // The callbacks find the application here from their first call on, which
  // may come while the stream is opened.
  setAudioContext(&ctx);
  const StreamConfig config{
      0, static_cast<std::int32_t>(app.blockFrames), &OutputCallback, &InputCallback, 0, 0, 0};
  app.streamReady = sizes.blockFrames > 0 && StreamOpen(&config);
  // Also without a stream: the teardown closes the driver through it.
  ctx.host.reset(new (std::nothrow) HostkitTransport);
  if (!ctx.host) {
    // Without it nothing could stop or close them: no device, as when the
    // driver cannot be opened.
    if (app.streamReady) StreamClose(0);
    HostkitShutdown();
    setAudioContext(nullptr);
    app.streamReady = false;
    app.driverOpen = false;
  }
}

void runDeviceSelection(AppContext& ctx) {
  const std::optional<int> chosen = ctx.shell.runDeviceDialog(listDeviceNames());
  if (!chosen) return;  // Cancel
  openDevice(ctx, *chosen);
}

}  // namespace app
