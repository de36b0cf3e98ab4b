// A disk that fills up, on demand, for the tests of every program that writes
// files: while a limit is set, the output files of the process may write only
// that many more bytes between them, and the write that reaches the limit
// writes what fits and fails as a full disk does (ENOSPC). Without a limit
// (always, outside tests) writes are untouched.
#pragma once

#include <cstdint>

namespace platform {

void limitDiskSpaceForTesting(std::uint64_t freeBytes);
void unlimitDiskSpaceForTesting();

// For the output files: of `count` bytes about to be written at `offset` in
// a file written up to `end`, how many fit: those over bytes already written
// always, the rest as far as space is left (taken from it).
std::uint64_t diskRoomFor(std::uint64_t count, std::uint64_t offset, std::uint64_t end);

}  // namespace platform
