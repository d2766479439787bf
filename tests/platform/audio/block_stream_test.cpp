#include "platform/audio/block_stream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Blocks of four stereo frames.
struct SmallBlock {
  explicit SmallBlock(int16_t fill = 0) : Data(8, fill) {
    Header.Data = Data.data();
    Header.Length = uint32_t(Data.size() * sizeof(int16_t));
  }
  std::vector<int16_t> Data;
  WaveHeader Header;
};

}  // namespace

// A callback asks for frames in whatever amounts the card moves; blocks complete as they fill,
// each completion rings the doorbell, and only a gap between blocks counts as a dropout — not
// the silence before the first block nor after the last.
TEST(AudioBlockStream, PlaysAcrossBlocksRingsPerBlockAndCountsOnlyGaps) {
  BlockStream stream;
  WaveDoorbell bell;
  stream.SetDoorbell(&bell);
  SmallBlock a(1), b(2), c(3);
  std::vector<int16_t> out(12, -1);
  stream.Play(out.data(), out.size());  // nothing queued yet: the start
  EXPECT_EQ(out, std::vector<int16_t>(12, 0));
  stream.Queue(a.Header);
  stream.Queue(b.Header);
  stream.Play(out.data(), 6);
  EXPECT_FALSE(a.Header.IsDone());
  stream.Play(out.data(), 12);
  EXPECT_EQ(out, (std::vector<int16_t>{1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 0, 0}));
  EXPECT_TRUE(a.Header.IsDone() && b.Header.IsDone());
  const auto now = WaveDoorbell::Clock::now();
  EXPECT_TRUE(bell.WaitUntil(now) && bell.WaitUntil(now));
  EXPECT_FALSE(bell.WaitUntil(now));
  EXPECT_EQ(stream.Dropouts(), 0u);  // the gap is still open
  stream.Queue(c.Header);
  stream.Play(out.data(), 8);
  EXPECT_EQ(stream.Dropouts(), 1u);
  stream.Play(out.data(), 8);  // after the last block
  EXPECT_EQ(stream.Dropouts(), 1u);
}

TEST(AudioBlockStream, RecordsIntoQueuedBlocksAndCountsLostInputOnceSoundFlowsAgain) {
  BlockStream stream;
  SmallBlock a, b;
  const std::vector<int16_t> in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  stream.Queue(a.Header);
  stream.Record(in.data(), in.size());  // two samples are lost
  EXPECT_EQ(a.Data, (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  stream.Queue(b.Header);
  stream.Record(nullptr, 8);
  EXPECT_EQ(b.Data, std::vector<int16_t>(8, 0));
  EXPECT_EQ(stream.Dropouts(), 1u);
}
