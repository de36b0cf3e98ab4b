// Hostkit: the application's one way to audio. It lists the audio drivers of
// the driver catalogue, opens one, starts it in a channel layout (HostMode) and
// runs streams on its port: the application fills output blocks and receives
// input blocks of planar 16-bit samples through two callbacks.
//
// All functions run on the application's thread. A stream's output callback
// runs there while the stream is primed and afterwards, like the input
// callback, on the port's delivery thread; neither may wait for the
// application's thread.
#pragma once

#include <cstdint>

// 1 to 3: up to two mono ports (output, input, both); 4 to 6: one stereo port
// (output, input, both). The application uses 6.
using HostMode = std::int32_t;

// Writes the drivers' display names, each NUL-terminated, one after another
// into buffer (as many as fit in size bytes) and returns the number of drivers;
// 0 without a buffer.
std::int32_t HostkitListDevices(char* buffer, std::int32_t size);

// Opens the driver at deviceIndex (a negative index: "Devnum" of the settings
// file, else the first character of ASIOConfig.txt in the current directory,
// else 0; an index beyond the list: 0). window is handed to the driver and to
// the reset handler. Succeeds at most once per process.
bool HostkitInit(void* window, std::int32_t deviceIndex);

// Why the last HostkitInit failed, in one line for the user (the driver's own
// text when it refused to start, such as a JACK server that is not running);
// empty after a successful one.
const char* HostkitErrorText();

// Creates the driver's buffers for mode, attaches the ports and starts the
// driver; returns the number of ports, 0 on failure (then call HostkitShutdown).
std::int32_t HostkitStart(std::int32_t requestedPorts, HostMode mode);

std::int32_t HostkitSampleRate();    // whole Hz, 0 when unknown
std::int32_t HostkitChannelCount();  // usable channels
std::int32_t HostkitBufferSize();    // the driver's preferred buffer, in frames

// Closes the streams, stops the driver and releases everything.
void HostkitShutdown();

// Called on a driver thread when the driver asks to be reset (for example
// after its sample rate changed, or when its server has gone away), with the
// window given to HostkitInit; never after HostkitShutdown has returned. The
// handler must return at once: post a message and advise a restart.
using HostkitResetHandler = void (*)(void* window);
void HostkitSetResetHandler(HostkitResetHandler handler);

// block: planar 16-bit samples, channel 1 then channel 2 for a stereo port;
// bytesPerChannel: the byte count of one channel (2 x frames); user: the
// StreamConfig's user value. The result is ignored.
using StreamCallback = std::int32_t (*)(std::int16_t* block, std::uint32_t bytesPerChannel,
                                        std::uint32_t user);

struct StreamConfig {
  std::int32_t port;             // port index, 0 for the stereo port
  std::int32_t framesPerHeader;  // a whole multiple of HostkitBufferSize(), at least twice it
  StreamCallback outputCallback;
  StreamCallback inputCallback;
  std::uint32_t user;
  std::uint8_t setOutputFormat;
  std::uint8_t setInputFormat;
};

// The stream on a port of the started host.
bool StreamOpen(const StreamConfig* config);
// Prepares the 16 headers per direction, filling every output header through
// the output callback on the calling thread.
bool StreamPrime(std::int32_t port);
// Starts delivery; fails while a direction is open (started or paused).
bool StreamStart(std::int32_t port);
void StreamPause(std::int32_t port);
void StreamResume(std::int32_t port);
// Stops delivery and returns when the delivery thread has ended: no callback
// runs after it returns. The stream can be primed and started again.
void StreamStop(std::int32_t port);
void StreamClose(std::int32_t port);
