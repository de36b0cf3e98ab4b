#include "state/record_chunk.h"

#include <gtest/gtest.h>

TEST(RecordChunkList, AppendsInOrderAndFreesLongListsWithoutRecursion) {
  state::RecordChunkList list;
  for (int i = 0; i < 100000; ++i) {
    state::RecordChunk* c = state::RecordChunk::create(1, 4);
    ASSERT_NE(c, nullptr);
    c->blocksUsed = static_cast<std::uint32_t>(i);
    list.append(c);
  }
  std::uint32_t expect = 0;
  for (auto* c = list.head; c; c = c->next) EXPECT_EQ(c->blocksUsed, expect++);
  EXPECT_EQ(list.current->blocksUsed, 99999u);
  list.free();  // ASan reports any chunk or array not freed
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.current, nullptr);
}
