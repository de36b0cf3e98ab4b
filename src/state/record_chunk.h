// The recording's chunk list: planar stereo audio in arrival order, appended by
// the input callback on the host's delivery thread and consumed by the record
// finishing thread.
#pragma once

#include <cstdint>
#include <memory>

namespace state {

struct RecordChunk {
  std::unique_ptr<std::int16_t[]> left;   // blocksPerChunk x blockFrames samples
  std::unique_ptr<std::int16_t[]> right;  // the same
  std::uint32_t blocksUsed = 0;
  RecordChunk* next = nullptr;  // owned by the list, see RecordChunkList

  // Allocates both arrays without throwing; nullptr when memory runs out.
  static RecordChunk* create(std::uint32_t blocksPerChunk, std::uint32_t blockFrames);
};

// Head and current (last) node. The list owns its chunks; free() walks it
// iteratively, so an hour of chunks never recurses.
struct RecordChunkList {
  RecordChunk* head = nullptr;
  RecordChunk* current = nullptr;

  RecordChunkList() = default;
  RecordChunkList(const RecordChunkList&) = delete;
  RecordChunkList& operator=(const RecordChunkList&) = delete;
  ~RecordChunkList() { free(); }

  void append(RecordChunk* chunk);
  // Unlinks and frees the current chunk; current becomes none (the chunks
  // before it stay).
  void dropCurrent();
  void free();
};

}  // namespace state
