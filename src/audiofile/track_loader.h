// Loads a whole track into memory the way the desktop program opens a file:
// map it, refuse files under 4096 bytes, open the track reader, allocate the
// whole track and read every block into it. The desktop program's load worker
// wraps this with its progress bar and peak computation through a
// LoadObserver; the command line uses it as it is.
#pragma once

#include <cstdint>
#include <memory>

#include "audiofile/import_refusal.h"

namespace audiofile {

enum class LoadStatus {
  Loaded,
  // Missing, under 4096 bytes, not a supported format, or not decodable.
  Unreadable,
  // The track buffer could not be allocated (or is longer than a track's
  // 32-bit frame count can hold).
  NoMemory,
  // The observer asked to stop.
  Cancelled,
};

struct LoadedTrack {
  // Interleaved 16-bit samples, frameCount x channels of them.
  std::unique_ptr<std::int16_t[]> samples;
  std::uint32_t channels = 0;
  std::uint32_t frameCount = 0;
};

// Told about a load as it goes; both calls come on the loading thread.
class LoadObserver {
 public:
  virtual ~LoadObserver() = default;
  // The reader is open and the track buffer allocated; nothing is read yet.
  // `totalBytes` is the whole buffer (block count x bytes per block).
  virtual void loadStarted(const std::int16_t* samples, std::uint32_t channels,
                           std::uint64_t totalBytes) {
    (void)samples;
    (void)channels;
    (void)totalBytes;
  }
  // After each block: the first `producedBytes` of the buffer hold the track.
  // Returning false stops the load with LoadStatus::Cancelled.
  virtual bool blockRead(std::uint64_t producedBytes, std::uint64_t totalBytes) {
    (void)producedBytes;
    (void)totalBytes;
    return true;
  }
};

// Replaces `track` only when the load succeeds. On Unreadable and NoMemory
// `why` (when given) says why the file was refused.
LoadStatus loadTrack(const char* path, LoadedTrack& track, LoadObserver* observer = nullptr,
                     ImportRefusal* why = nullptr);

class TrackReader;

// Maps `path` and opens a track reader on it, as a load does before it reads
// anything; none, with the reason in `why`, when the file is refused.
std::unique_ptr<TrackReader> openTrackFile(const char* path, ImportRefusal& why);

// The status a refusal ends a load with: NoMemory for memory and a track too
// long to count, Unreadable for everything else.
LoadStatus refusalStatus(const ImportRefusal& why);

// The program's message for a failed load (empty for Loaded and Cancelled).
const char* loadStatusMessage(LoadStatus status);

}  // namespace audiofile
