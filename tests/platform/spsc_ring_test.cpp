#include "platform/spsc_ring.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {
// What goes in comes out in order, across the end of the storage, and a push that does not fit
// is refused whole.
TEST(SpscRing, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit) {
  SpscRing<int> ring(5);
  EXPECT_TRUE(ring.Push(std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(ring.Push(std::vector<int>{4, 5, 6})) << "three do not fit into two";
  EXPECT_EQ(ring.Room(), 2u);
  ring.Pop(2);
  EXPECT_TRUE(ring.Push(std::vector<int>{4, 5, 6}));  // wraps: 4 5 at the end, 6 at the start
  EXPECT_EQ(ring.Pushed(), 6u);
  EXPECT_EQ(std::vector<int>(ring.Front().begin(), ring.Front().end()),
            (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(ring.Front(2).size(), 2u);
  ring.Pop(3);
  EXPECT_EQ(std::vector<int>(ring.Front().begin(), ring.Front().end()), std::vector<int>{6});
  EXPECT_EQ(ring.Popped(), 5u);
}

TEST(SpscRing, TwoThreadsPassEveryValueOnce) {
  SpscRing<int> ring(64);
  constexpr int kCount = 4000;
  std::thread producer([&] {
    for (int v = 0; v < kCount;)
      if (ring.Push(std::vector<int>{v, v + 1})) v += 2;
  });
  int expected = 0;
  while (expected < kCount) {
    const auto front = ring.Front();
    for (int v : front) ASSERT_EQ(v, expected++);
    ring.Pop(front.size());
  }
  producer.join();
}
}  // namespace
