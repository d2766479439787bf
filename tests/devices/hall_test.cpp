#include "devices/hall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "device_support.h"
#include "devices/random.h"

namespace {
std::vector<int32_t> Lengths(const NTHall& h) {
  std::vector<int32_t> v;
  for (int i = 0; i < NTHall::kCombs; ++i) v.push_back(h.Comb(i).Size());
  return v;
}

struct HallTest : ::testing::Test {
  EffectPatch p;
  NTHall* h = nullptr;

  HallTest() {
    ResetRandom();
    h = new NTHall(&p.canvas, p.canvas.Root());
    h->In.Source = &p.source.L;
  }
  ~HallTest() override { delete h; }

  std::vector<int32_t> Impulse(int32_t v, int frames) {
    std::vector<int32_t> in(frames, 0);
    in[0] = v;
    return RunFrames(p, *h, in);
  }
};

TEST_F(HallTest, LengthsAreTheSameInEveryRun) {
  EXPECT_EQ(Lengths(*h), (std::vector<int32_t>{6540, 7220, 6412, 6376, 7988}));
  NTHall second(&p.canvas, p.canvas.Root());
  EXPECT_EQ(Lengths(second), (std::vector<int32_t>{7872, 7092, 8212, 6313, 6360}));
}

TEST_F(HallTest, WithoutFeedbackAnImpulseGivesFiveEchoes) {
  h->Feedback.SetValue(0);
  const std::vector<int32_t> out = Impulse(5000, 20000);
  const std::vector<int32_t> lengths = Lengths(*h);
  for (size_t i = 0; i < out.size(); ++i) {
    const bool echo = std::count(lengths.begin(), lengths.end(), int32_t(i)) > 0;
    ASSERT_EQ(out[i], echo ? 1000 : 0) << "frame " << i;
  }
}

TEST_F(HallTest, EchoesHalveWithFeedback500) {
  const std::vector<int32_t> out = Impulse(5000, 20000);
  EXPECT_EQ(out[6540], 1000);
  EXPECT_EQ(out[2 * 6540], 500);
  EXPECT_EQ(out[3 * 6540], 250);
}

TEST_F(HallTest, DivisionTruncatesTowardZero) {
  h->Feedback.SetValue(0);
  EXPECT_EQ(Impulse(-7, 6541)[6540], -1);
}

TEST_F(HallTest, SumOverflowWrapsAround) {
  h->Feedback.SetValue(0);
  const std::vector<int32_t> out = RunFrames(p, *h, std::vector<int32_t>(8001, 2000000000));
  // Five times 2e9 wraps to 1410065408 before the division.
  EXPECT_EQ(out.back(), 1410065408 / 5);
}

// The block form against the frame-by-frame one, inside the feedback control's range and beyond
// it (a damaged file), on inputs at the edges of the 32-bit range, in sub-blocks of every length.
TEST_F(HallTest, BlocksComputeExactlyWhatSingleFramesCompute) {
  std::mt19937 rng(5);
  std::vector<int32_t> in(20000);
  for (int32_t& x : in) x = rng() % 3 ? int32_t(rng()) : rng() % 2 ? INT32_MAX : INT32_MIN;
  for (int32_t feedback : {0, 1, -1, 999, 1000, -1000, 1001, INT32_MAX, INT32_MIN}) {
    ResetRandom();
    NTHall frames(&p.canvas, p.canvas.Root());
    ResetRandom();  // the same comb lengths
    NTHall blocks(&p.canvas, p.canvas.Root());
    frames.In.Source = &p.source.L;
    frames.Feedback.SetValue(feedback);
    blocks.Feedback.SetValue(feedback);
    const std::vector<int32_t> expected = RunFrames(p, frames, in);
    THistories h(3);
    for (size_t f = 0; f < in.size();) {
      const int n = std::min(int(in.size() - f), int(rng() % THistories::kFrames) + 1);
      std::copy_n(in.begin() + ptrdiff_t(f), n, h.Row(1));
      blocks.Block({h, n, nullptr, nullptr}, {{1}, {2}});
      for (int k = 0; k < n; ++k, ++f)
        ASSERT_EQ(h.Row(2)[k + 1], expected[f]) << "feedback " << feedback << ", frame " << f;
    }
  }
}

TEST_F(HallTest, RecordsRoundTrip) {
  h->MoveTo({7, 8});
  h->Feedback.SetValue(777);
  h->Feedback.NotifyChange();
  EXPECT_EQ(h->Feedback.Disp.Value, 777);
  const std::vector<uint8_t> bytes = Record(*h);
  EXPECT_EQ(bytes.size(), 12u * 4);
  EXPECT_EQ(WindowCount(*h), 12);

  NTHall g(&p.canvas, p.canvas.Root());
  Load(g, bytes);
  EXPECT_EQ(Record(g), bytes);
  EXPECT_EQ(g.Feedback.Value, 777);
  // A Hall built for a patch draws new lengths.
  EXPECT_NE(Lengths(g), Lengths(*h));
}
}  // namespace
