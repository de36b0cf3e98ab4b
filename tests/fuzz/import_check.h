// The whole track import over an in-memory file, as the loader runs it, with
// its promises checked block by block: no block delivers more frames than a
// block holds, the track never exceeds the length announced when the source
// opened, and every sample of every block is written, the padding after a
// short last block included. The file is an exactly-sized heap copy, so a read
// past its end is a sanitizer report.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Imports the file to its last block; returns the frames delivered (0 when
// the file was refused).
std::uint64_t importWholeTrack(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
