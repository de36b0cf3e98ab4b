#include "state/record_chunk.h"

#include <new>

namespace state {

RecordChunk* RecordChunk::create(std::uint32_t blocksPerChunk, std::uint32_t blockFrames) {
  const std::size_t n = static_cast<std::size_t>(blocksPerChunk) * blockFrames;
  std::unique_ptr<RecordChunk> chunk(new (std::nothrow) RecordChunk);
  if (!chunk) return nullptr;
  chunk->left.reset(new (std::nothrow) std::int16_t[n]);
  chunk->right.reset(new (std::nothrow) std::int16_t[n]);
  if (!chunk->left || !chunk->right) return nullptr;
  return chunk.release();
}

void RecordChunkList::append(RecordChunk* chunk) {
  chunk->next = nullptr;
  if (current)
    current->next = chunk;
  else
    head = chunk;
  current = chunk;
}

void RecordChunkList::dropCurrent() {
  if (current == nullptr) return;
  if (head == current) {
    head = nullptr;
  } else {
    RecordChunk* before = head;
    while (before != nullptr && before->next != current) before = before->next;
    if (before != nullptr) before->next = nullptr;
  }
  delete current;
  current = nullptr;
}

void RecordChunkList::free() {
  RecordChunk* c = head;
  while (c) {
    RecordChunk* next = c->next;
    delete c;
    c = next;
  }
  head = nullptr;
  current = nullptr;
}

}  // namespace state
