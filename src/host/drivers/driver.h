// The audio driver interface: what the host calls on a driver and what a driver
// calls back. Each driver is a shared library exporting one C factory function
// (CantoraDriverCreate) that the host finds through the driver catalogue; on
// Windows a driver is a COM in-process server found through the registry.
//
// Binary layout: on Windows the host calls drivers built by others, so every
// record below and the operation table are laid out as such drivers expect
// for 64-bit Windows: 32-bit integers where their interface has `long`
// (32 bits there), the operations in their table slots in the order declared
// (the destructor comes last, after the 24 slots, and the host never calls
// it), one calling convention (x64 has only one), and natural alignment. The
// static asserts after each record pin its size and offsets.
//
// The contract between host and driver
// ------------------------------------
// What the host guarantees:
// - It calls every operation of AsioDriver from one thread (the application's),
//   never two at once, and never from inside a callback; the one exception is
//   outputReady, which it calls at the end of bufferSwitch on the driver's
//   thread (see below).
// - Order over a run: init, getDriverName, getDriverVersion, getChannels,
//   getBufferSize, getSampleRate, getChannelInfo for output channels 0, 1, ...
//   until one fails; then createBuffers, outputReady, getChannelInfo for every
//   buffer created, getLatencies; start when the first port is attached;
//   getSampleRate whenever the application asks (also while running); at the
//   end stop (when started), disposeBuffers (when created) and release. A run
//   never stops the driver and starts it again. getErrorMessage is called only
//   after init has failed.
// - createBuffers receives a record per buffer with isInput and channelNum
//   filled in; the output records come first, then the input records. The
//   callbacks record stays valid until disposeBuffers returns. Its
//   bufferSwitchTimeInfo member is null: such a host is served through
//   bufferSwitch only.
// - On bufferSwitch(h) the host fills output half h of every output buffer and
//   reads input half h of every input buffer, in the buffer's sample type. It
//   does not touch the other half. When the host answered outputReady with
//   DRIVER_OK at buffer creation, it calls outputReady once at the end of each
//   switch, after its outputs are complete.
// - The host zeroes both halves of every buffer after createBuffers returns.
//
// What a driver must do:
// - Answer getChannelInfo for the channel and direction the caller set in the
//   record, filling isActive, channelGroup, type and name; a channel that does
//   not exist gives a non-zero result.
// - Allocate, in createBuffers, two halves of bufferSize frames for each
//   record, in the channel's sample type, and store them in buffers[0] and
//   buffers[1]; return non-zero and allocate nothing when it cannot.
// - Call bufferSwitch from a thread of its own, one call at a time, with the
//   half index alternating 0, 1, 0, 1, ... from the first call. The driver may
//   call back before start returns. After bufferSwitch(h) returns, output half
//   h is what the driver plays next, and input half h must already hold the
//   input recorded during the previous period when the call is made.
// - When stop returns, no bufferSwitch is running and none will follow.
// - asioMessage and sampleRateDidChange may be called from any thread of the
//   driver; the host answers them without blocking.
// - release drops one reference; the last one destroys the driver, stopping
//   its threads first whatever state it is in.
// - Never let an exception leave an operation, a callback or the factory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drivers {

// Results of the driver operations: 0 is success, negative values say why not.
inline constexpr std::int32_t DRIVER_OK = 0;
inline constexpr std::int32_t DRIVER_NOT_PRESENT = -1000;
inline constexpr std::int32_t DRIVER_HW_MALFUNCTION = -999;
inline constexpr std::int32_t DRIVER_INVALID_PARAMETER = -998;
inline constexpr std::int32_t DRIVER_INVALID_MODE = -997;
inline constexpr std::int32_t DRIVER_NO_CLOCK = -995;
inline constexpr std::int32_t DRIVER_NO_MEMORY = -994;

// init answers with a boolean: 0 means it failed.
inline constexpr std::int32_t DRIVER_FALSE = 0;
inline constexpr std::int32_t DRIVER_TRUE = 1;

// Sample types of a channel: signed integers, little-endian.
inline constexpr std::int32_t SAMPLE_TYPE_INT16_LSB = 16;
inline constexpr std::int32_t SAMPLE_TYPE_INT24_LSB = 17;  // three bytes per sample
inline constexpr std::int32_t SAMPLE_TYPE_INT32_LSB = 18;

// Selectors of asioMessage.
inline constexpr std::int32_t MESSAGE_SELECTOR_SUPPORTED = 1;
inline constexpr std::int32_t MESSAGE_ENGINE_VERSION = 2;
inline constexpr std::int32_t MESSAGE_RESET_REQUEST = 3;
inline constexpr std::int32_t MESSAGE_BUFFER_SIZE_CHANGE = 4;
inline constexpr std::int32_t MESSAGE_RESYNC_REQUEST = 5;
inline constexpr std::int32_t MESSAGE_LATENCIES_CHANGED = 6;
inline constexpr std::int32_t MESSAGE_SUPPORTS_TIME_INFO = 7;
inline constexpr std::int32_t MESSAGE_SUPPORTS_TIME_CODE = 8;

// Sizes of the text buffers the host hands to the driver.
inline constexpr int DRIVER_NAME_BYTES = 32;    // getDriverName writes at most this, NUL included
inline constexpr int DRIVER_ERROR_BYTES = 124;  // getErrorMessage writes at most this
inline constexpr int CHANNEL_NAME_BYTES = 32;

// A driver class identifier: the 16 bytes of a GUID written
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", data1..data3 in host order.
struct ClassId {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};
static_assert(sizeof(ClassId) == 16 && offsetof(ClassId, data2) == 4 &&
              offsetof(ClassId, data3) == 6 && offsetof(ClassId, data4) == 8);

// One buffer to create: the host fills isInput and channelNum, the driver the
// two halves.
struct AsioBufferInfo {
  std::int32_t isInput;
  std::int32_t channelNum;
  void* buffers[2];
};
static_assert(offsetof(AsioBufferInfo, channelNum) == 4 && offsetof(AsioBufferInfo, buffers) == 8 &&
              sizeof(AsioBufferInfo) == 8 + 2 * sizeof(void*));

// One channel's description: the caller fills channel and isInput.
struct AsioChannelInfo {
  std::int32_t channel;
  std::int32_t isInput;
  std::int32_t isActive;
  std::int32_t channelGroup;
  std::int32_t type;
  char name[CHANNEL_NAME_BYTES];
};
static_assert(offsetof(AsioChannelInfo, isInput) == 4 && offsetof(AsioChannelInfo, isActive) == 8 &&
              offsetof(AsioChannelInfo, channelGroup) == 12 &&
              offsetof(AsioChannelInfo, type) == 16 && offsetof(AsioChannelInfo, name) == 20 &&
              sizeof(AsioChannelInfo) == 52);

// A 64-bit count (the sample position, the time stamp in nanoseconds) as two
// 32-bit words, the high word first.
struct AsioWideValue {
  std::uint32_t high;
  std::uint32_t low;

  std::uint64_t value() const { return (std::uint64_t{high} << 32) | low; }
  static AsioWideValue of(std::uint64_t v) {
    return {static_cast<std::uint32_t>(v >> 32), static_cast<std::uint32_t>(v)};
  }
};
static_assert(sizeof(AsioWideValue) == 8 && offsetof(AsioWideValue, low) == 4);

// Time information of the extended switch callback; the host never asks for
// it, so it stays opaque here.
struct AsioTime;

struct AsioCallbacks {
  void (*bufferSwitch)(std::int32_t halfIndex, std::int32_t directProcess);
  void (*sampleRateDidChange)(double sampleRate);
  std::int32_t (*asioMessage)(std::int32_t selector, std::int32_t value, void* message,
                              double* opt);
  AsioTime* (*bufferSwitchTimeInfo)(AsioTime* params, std::int32_t halfIndex,
                                    std::int32_t directProcess);
};
static_assert(offsetof(AsioCallbacks, sampleRateDidChange) == sizeof(void*) &&
              offsetof(AsioCallbacks, asioMessage) == 2 * sizeof(void*) &&
              offsetof(AsioCallbacks, bufferSwitchTimeInfo) == 3 * sizeof(void*) &&
              sizeof(AsioCallbacks) == 4 * sizeof(void*));

// The operations in their slot order (0 to 23). The host uses release (2),
// init (3) to getSampleRate (13) except canSampleRate (12), getChannelInfo
// (18), createBuffers (19), disposeBuffers (20) and outputReady (23). The other
// slots keep their places and answer "not present" unless a driver has more
// to say.
class AsioDriver {
 public:
  // slots 0-2: reference counting
  virtual std::int32_t queryInterface(const ClassId& interfaceId, void** object) = 0;
  virtual std::uint32_t addRef() = 0;
  virtual std::uint32_t release() = 0;

  // slots 3-6: identity
  virtual std::int32_t init(void* window) = 0;  // DRIVER_TRUE or DRIVER_FALSE
  virtual void getDriverName(char* name) = 0;   // at most DRIVER_NAME_BYTES, NUL included
  virtual std::int32_t getDriverVersion() = 0;
  virtual void getErrorMessage(char* text) = 0;  // at most DRIVER_ERROR_BYTES

  // slots 7-8: running
  virtual std::int32_t start() = 0;
  virtual std::int32_t stop() = 0;

  // slots 9-17: geometry and clock
  virtual std::int32_t getChannels(std::int32_t* inputs, std::int32_t* outputs) = 0;
  virtual std::int32_t getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) = 0;
  virtual std::int32_t getBufferSize(std::int32_t* minimum, std::int32_t* maximum,
                                     std::int32_t* preferred, std::int32_t* granularity) = 0;
  virtual std::int32_t canSampleRate(double /*sampleRate*/) { return DRIVER_NOT_PRESENT; }
  virtual std::int32_t getSampleRate(double* sampleRate) = 0;
  virtual std::int32_t setSampleRate(double /*sampleRate*/) { return DRIVER_NOT_PRESENT; }
  virtual std::int32_t getClockSources(void* /*sources*/, std::int32_t* /*count*/) {
    return DRIVER_NOT_PRESENT;
  }
  virtual std::int32_t setClockSource(std::int32_t /*reference*/) { return DRIVER_NOT_PRESENT; }
  virtual std::int32_t getSamplePosition(AsioWideValue* /*samples*/, AsioWideValue* /*timeStamp*/) {
    return DRIVER_NOT_PRESENT;
  }

  // slots 18-20: buffers
  virtual std::int32_t getChannelInfo(AsioChannelInfo* info) = 0;
  virtual std::int32_t createBuffers(AsioBufferInfo* infos, std::int32_t count,
                                     std::int32_t bufferSize, const AsioCallbacks* callbacks) = 0;
  virtual std::int32_t disposeBuffers() = 0;

  // slots 21-23
  virtual std::int32_t controlPanel() { return DRIVER_NOT_PRESENT; }
  virtual std::int32_t future(std::int32_t /*selector*/, void* /*options*/) {
    return DRIVER_NOT_PRESENT;
  }
  virtual std::int32_t outputReady() = 0;

 protected:
  // Only release destroys a driver.
  virtual ~AsioDriver() = default;
};

// One setting from the driver's catalogue section ("samplerate" = "44100").
// The strings live until the factory returns; a driver copies what it keeps.
struct DriverSetting {
  const char* key;
  const char* value;
};

}  // namespace drivers

// The factory every driver library exports with C linkage, found by this name.
// It creates the driver for classId with one reference held by the caller and
// stores it in *driver; it returns 0 on success, else a non-zero code that the
// host hands on unchanged (and leaves *driver null). settings holds the
// driver's catalogue section (clsid and description included), in file order.
#define CANTORA_DRIVER_FACTORY_NAME "CantoraDriverCreate"

extern "C" {
typedef std::int32_t (*CantoraDriverFactory)(const drivers::ClassId* classId,
                                             const drivers::DriverSetting* settings,
                                             std::int32_t settingCount,
                                             drivers::AsioDriver** driver);
}

// Declared here so that a driver's definition is checked against the type.
extern "C" std::int32_t CantoraDriverCreate(const drivers::ClassId* classId,
                                            const drivers::DriverSetting* settings,
                                            std::int32_t settingCount,
                                            drivers::AsioDriver** driver);
