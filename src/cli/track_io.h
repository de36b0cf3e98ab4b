// Reading a track in and writing one out for the subcommands that do both
// (decode, tune) or only the first (readout): the import with a progress bar,
// the interruption guard, and the WAV output that is never left half-written.
#pragma once

#include <string>

#include "audiofile/audiofile_constants.h"
#include "audiofile/track_loader.h"

namespace cli {

inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_INTERRUPTED = 130;

// While alive, SIGINT, SIGTERM and SIGHUP only mark the run as interrupted, so
// a temporary file can be removed before the program ends, and a write past
// the file-size limit fails with EFBIG instead of killing the program.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// True once a signal arrived under an InterruptGuard.
bool interrupted();
// Forgets a signal that was already acted on (Ctrl-C that stopped a
// recording), so that a second one can still stop the write that follows.
void clearInterrupted();

// Imports `path` as the desktop program opens a track, with a progress bar on
// a terminal. Returns 0 when loaded; otherwise prints the reason and returns
// the exit status (EXIT_INTERRUPTED when a signal stopped the read).
int importTrack(const std::string& path, audiofile::LoadedTrack& track);

// The error line of a refused import: "PATH: MESSAGE (REASON)".
std::string importFailure(const std::string& path, audiofile::LoadStatus status,
                          const audiofile::ImportRefusal& why);

// Writes the whole track to `out` as 16-bit PCM WAV at `sampleRate` through a
// temporary file beside it, renamed when complete; a failed or interrupted
// write removes the temporary and keeps any earlier `out`. Returns the exit
// status.
int writeTrack(const audiofile::LoadedTrack& track, const std::string& out,
               std::uint32_t sampleRate = audiofile::TRACK_RATE);

// Why `out` could not be written, checked before work that would be lost
// (a recording): empty when its folder takes a new file and `out` is not a
// folder itself.
std::string unwritableReason(const std::string& out);

}  // namespace cli
