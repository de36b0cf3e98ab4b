// A recording as the input callback leaves it in the chunk list, for the
// tests of its finishing: both channels count on differently, so a lost,
// repeated or swapped block shows in what the finishing made of them.
#pragma once

#include <cstdint>
#include <vector>

#include "state/app_state.h"
#include "state/record_chunk.h"

namespace apptest {

// Appends `chunks` chunks of the state's size, full but for the last
// (`lastBlocks` blocks); returns their samples interleaved, as a track or a
// WAV file holds them.
inline std::vector<std::int16_t> appendChunks(state::AppState& app, std::uint32_t chunks,
                                              std::uint32_t lastBlocks) {
  std::vector<std::int16_t> interleaved;
  for (std::uint32_t c = 0; c < chunks; ++c) {
    state::RecordChunk* chunk = state::RecordChunk::create(app.blocksPerChunk, app.blockFrames);
    chunk->blocksUsed = c + 1 == chunks ? lastBlocks : app.blocksPerChunk;
    for (std::uint32_t i = 0; i < chunk->blocksUsed * app.blockFrames; ++i) {
      const auto frame = static_cast<int>(interleaved.size() / 2);
      chunk->left[i] = static_cast<std::int16_t>(frame % 30011);
      chunk->right[i] = static_cast<std::int16_t>(-1 - frame % 29989);
      interleaved.push_back(chunk->left[i]);
      interleaved.push_back(chunk->right[i]);
    }
    app.chunks.append(chunk);
    app.chunkCount.fetch_add(1);
  }
  return interleaved;
}

}  // namespace apptest
