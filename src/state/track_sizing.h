// The two sizing rules every producer of a track shares (the loader and the
// record finishing thread): how coarse the peak array is, and the zoom at which
// the whole track fits the pane.
#pragma once

#include <cstdint>
#include <memory>

namespace state {

struct PeakArray {
  std::uint32_t framesPerPeak = 1;
  std::unique_ptr<std::int16_t[]> peaks;  // groupCount x channels x 2 values, or none
  std::uint32_t groupCount = 0;
};

// Chooses the peak group size for `frameCount` frames against the initial pane
// width. Short tracks (a zoom step of under 64 frames per column at the pane
// width) get no array and 1 frame per peak. With `allocate`, also reserves the
// array (without throwing; on failure no array and framesPerPeak 1).
PeakArray sizePeakArray(std::uint32_t frameCount, std::uint32_t channels, int initialPaneWidth,
                        bool allocate);

// The smallest power of two f such that halving frameCount log2(f) times leaves
// at most paneWidth columns. A track of paneWidth frames or fewer fits at 1.
std::uint32_t fitZoom(std::uint32_t frameCount, int paneWidth);

}  // namespace state
