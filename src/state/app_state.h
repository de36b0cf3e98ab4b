// AppState: the one record the whole application works on: the track in memory,
// the selection, the transport, the stream, the recording chunks, the view's
// scroll and zoom, the tuning's readout areas and the undo record.
//
// There is no lock around the track; `mode` says who owns it (see
// transport_mode.h). Fields the host's delivery thread or a worker writes while
// the UI thread reads them are atomics with relaxed ordering: they are flags
// and positions polled across threads, never used to publish other memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "state/geometry.h"
#include "state/pitch_curve.h"
#include "state/record_chunk.h"
#include "state/transport_mode.h"
#include "state/undo_record.h"

namespace state {

// Where a note readout was last drawn on one pane, so it can be erased.
struct ReadoutArea {
  Rect rect;
  bool shown = false;
};

struct AppState {
  // --- track (owned by a worker while mode is Busy) ---
  std::unique_ptr<std::int16_t[]> samples;  // interleaved when stereo; none without a track
  std::uint32_t frameCount = 0;
  std::uint32_t channels = 1;
  bool stereo = false;
  std::unique_ptr<std::int16_t[]> peaks;  // groups of max/min per channel, or none
  std::uint32_t framesPerPeak = 1;
  // The rate the samples run at: 44100 for a track read from a file, the
  // driver's rate for a recording. Saving writes it into the header.
  std::uint32_t sampleRate = 44100;

  // --- selection and positions (frames; selEnd exclusive) ---
  bool selActive = false;
  std::uint32_t selStart = 0;
  std::uint32_t selEnd = 0;
  std::atomic<std::uint32_t> playPos{0};
  std::atomic<std::uint32_t> cursorPos{0};

  // --- transport ---
  std::atomic<TransportMode> mode{TransportMode::Idle};
  std::atomic<bool> loop{false};
  std::atomic<bool> recording{false};
  bool paused = false;
  std::atomic<bool> follow{false};
  bool restoreScrollOnResume = false;
  std::int32_t savedScrollPos = -1;

  // --- stream ---
  std::int32_t deviceIndex = -1;
  bool driverOpen = false;
  bool streamReady = false;
  std::uint32_t blockFrames = 64;
  std::uint32_t driverRate = 0;  // the open driver's sample rate, 0 before one is open
  // Frames the device has run through since the transport last started,
  // counted by the input callback: a clock in audio time, however fast the
  // device is paced.
  std::atomic<std::uint64_t> deviceFrames{0};

  // --- recording ---
  RecordChunkList chunks;
  std::uint32_t blocksPerChunk = 0;
  std::uint32_t maxChunks = 0;
  std::atomic<std::uint32_t> chunkCount{0};
  std::unique_ptr<std::uint8_t[]> spoolBuffer;  // blockFrames x blocksPerChunk x 4 bytes
  std::atomic<bool> spoolToFile{false};
  // The largest magnitude in the last recorded block (0 to 32768): the level
  // a meter shows.
  std::atomic<std::int32_t> inputPeak{0};

  // --- view (guarded by viewMutex where audio may run) ---
  std::uint32_t framesPerPixel = 0;
  std::uint32_t fitFramesPerPixel = 0;
  std::int32_t scrollPos = 0;
  std::int32_t scrollMax = 0;
  std::int32_t scrollPage = 0;
  bool dragging = false;
  std::int32_t dragAnchorX = 0;
  std::int32_t dragCurX = 0;
  std::int16_t focusIndex = 0;
  // Outer window size at the last layout; the follow step compares it with the
  // window's size while the UI thread or a re-layout worker may set it.
  std::atomic<std::int32_t> layoutWidth{0};
  std::atomic<std::int32_t> layoutHeight{0};
  std::int32_t initialPaneWidth = 0;

  // --- tuning ---
  std::uint32_t tuneChannel = 0;  // 0 none, 1 pane A, 2 pane B
  bool tuneOnLeft = false;
  ReadoutArea readout[2];

  UndoRecord undo;

  // --- the pitch curve drawn over the panes (see pitch_curve.h) ---
  PitchCurves pitch;

  // Guards the off-screen image, the scroll state and the zoom. The audio path
  // and the re-layout only try it; zoom waits 10 ms; teardown waits forever.
  std::timed_mutex viewMutex;

  bool hasTrack() const { return samples != nullptr && frameCount > 0; }
  // Frees the track, its peaks and its pitch curves (frameCount 0,
  // framesPerPeak 1).
  void freeTrack();
  // Puts every field back to its start value (tests and teardown).
  void reset();
};

}  // namespace state
