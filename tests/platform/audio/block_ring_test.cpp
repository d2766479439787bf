#include "platform/audio/block_ring.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(AudioBlockRing, HandsOutBlocksInQueueOrderAndRefusesWhenFull) {
  std::vector<WaveHeader> blocks(BlockRing::kCapacity + 1);
  BlockRing ring;
  EXPECT_EQ(ring.Front(), nullptr);
  for (size_t i = 0; i < BlockRing::kCapacity; ++i) ASSERT_TRUE(ring.Push(&blocks[i]));
  EXPECT_FALSE(ring.Push(&blocks.back()));
  for (size_t i = 0; i < BlockRing::kCapacity; ++i) {
    ASSERT_EQ(ring.Front(), &blocks[i]);
    ring.Pop();
    // Wrapping around: a freed slot takes the next block at once.
    if (i == 0) {
      ASSERT_TRUE(ring.Push(&blocks.back()));
    }
  }
  EXPECT_EQ(ring.Front(), &blocks.back());
}

// A producer and a consumer on two threads, as the queueing thread and the sound card callback.
TEST(AudioBlockRing, PassesEveryBlockInOrderBetweenTwoThreads) {
  constexpr int Count = 20000;
  // One more block than the ring holds: a block is written again only after it was popped.
  std::vector<WaveHeader> blocks(BlockRing::kCapacity + 1);
  BlockRing ring;
  std::vector<int> seen;
  seen.reserve(Count);
  std::thread consumer([&] {
    while (static_cast<int>(seen.size()) < Count) {
      if (WaveHeader* b = ring.Front()) {
        seen.push_back(static_cast<int>(b->Reserved[0]));
        ring.Pop();
      } else {
        std::this_thread::yield();
      }
    }
  });
  for (int n = 0; n < Count;) {
    WaveHeader& b = blocks[n % blocks.size()];
    b.Reserved[0] = n;  // written before the push, read after the pop
    if (ring.Push(&b))
      ++n;
    else
      std::this_thread::yield();
  }
  consumer.join();
  for (int n = 0; n < Count; ++n) ASSERT_EQ(seen[n], n);
}
