// Choosing the audio device (command 107): the device dialog, loading the
// driver in the host, sizing the block and opening the stream that the
// transport plays and records through.
#pragma once

#include <cstdint>

#include "app/app_context.h"

namespace app {

// The block and recording sizes for a driver of `sampleRate` Hz with buffers
// of `bufferFrames` frames.
struct BlockSizes {
  std::uint32_t blockFrames = 0;     // at least 40 ms and two whole driver buffers
  std::uint32_t blocksPerChunk = 0;  // about half a million frames a chunk
  std::uint32_t maxChunks = 0;       // one hour of recording and one chunk more
};
BlockSizes blockSizesFor(std::int32_t sampleRate, std::int32_t bufferFrames);

// Runs once per program run, after the main window has checked that no
// device was chosen yet and dropped the selection: shows the device dialog
// and, on OK with a driver chosen, opens it and its stream.
void runDeviceSelection(AppContext& ctx);

// The dialog's OK with driver `index` chosen: keeps the index (also when what
// follows fails, so the choice is not repeated), loads the driver, starts the
// host with one stereo port, sizes the block and opens the stream with the
// audio callbacks. On success the transport gets the host.
void openDevice(AppContext& ctx, std::int32_t index);

}  // namespace app
