#include "platform/triple_buffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {
struct Set {
  long a = 0, b = 0, c = 0, d = 0, e = 0;
};

TEST(TripleBuffer, ReaderSeesTheLatestPublishedValue) {
  TTripleBuffer<Set> tb(Set{1, 1, 1, 1, 1});
  EXPECT_EQ(tb.Latest().a, 1);
  tb.Publish(Set{2, 2, 2, 2, 2});
  tb.Publish(Set{3, 3, 3, 3, 3});
  EXPECT_EQ(tb.Latest().e, 3);
  EXPECT_EQ(tb.Latest().e, 3);
  tb.Publish(Set{4, 4, 4, 4, 4});
  EXPECT_EQ(tb.Latest().a, 4);
}

TEST(TripleBuffer, ConcurrentReaderSeesWholeSetsInOrder) {
  TTripleBuffer<Set> tb;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    long last = 0;
    while (!done.load(std::memory_order_acquire)) {
      const Set& s = tb.Latest();
      ASSERT_TRUE(s.a == s.b && s.b == s.c && s.c == s.d && s.d == s.e);
      ASSERT_GE(s.a, last);
      last = s.a;
    }
  });
  for (long n = 1; n <= 200000; ++n) tb.Publish(Set{n, n, n, n, n});
  done.store(true, std::memory_order_release);
  reader.join();
  EXPECT_EQ(tb.Latest().a, 200000);
}
}  // namespace
