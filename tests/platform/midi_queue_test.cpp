#include "platform/midi_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// Events reach a block at their frame within it when the input knows their time, at its start
// when it does not; too late ones at the start, later ones stay for the next block; order holds.
TEST(MidiQueue, EachBlockTakesItsShareAtItsFrames) {
  TMidiQueue q;
  const auto push = [&](int64_t frame, uint8_t note) {
    ASSERT_TRUE(q.Push({frame, 0x90, note, 100}));
  };
  push(TMidiEvent::kNow, 1);
  push(90, 2);   // before the first block's span [100, 228): at its start
  push(150, 3);  // frame 50
  push(140, 4);  // out of order: not before the one ahead of it
  push(260, 5);  // the next block's
  q.CompleteUntil(228);
  std::vector<TMidiEvent> block(8);
  const size_t n = q.TakeBlock(block, 1000, 128);
  const std::vector<std::pair<int64_t, int>> want = {{1000, 1}, {1000, 2}, {1050, 3}, {1050, 4}};
  ASSERT_EQ(n, want.size());
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(block[i].Frame, want[i].first) << i;
    EXPECT_EQ(block[i].Data1, want[i].second) << i;
  }
  q.CompleteUntil(356);
  ASSERT_EQ(q.TakeBlock(block, 1128, 128), 1u);
  EXPECT_EQ(block[0].Frame, 1128 + 260 - 228);
  EXPECT_EQ(q.TakeBlock(block, 1256, 128), 0u);
}

TEST(MidiQueue, AFullQueueDropsTheNewestAndABlockTakesNoMoreThanItHolds) {
  TMidiQueue q;
  for (size_t i = 0; i < TMidiQueue::kCapacity; ++i) ASSERT_TRUE(q.Push({TMidiEvent::kNow}));
  EXPECT_FALSE(q.Push({TMidiEvent::kNow}));
  std::vector<TMidiEvent> block(1000);
  EXPECT_EQ(q.TakeBlock(block, 0, 3000), 1000u);
  EXPECT_EQ(q.TakeBlock(block, 3000, 3000), TMidiQueue::kCapacity - 1000);
}
}  // namespace
