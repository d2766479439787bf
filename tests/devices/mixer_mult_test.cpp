#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "device_support.h"
#include "devices/mixer.h"
#include "devices/mult.h"

namespace {
class MixerTest : public ::testing::Test {
 protected:
  TestCanvas canvas;
  TestSource src[4] = {{&canvas, canvas.Root()},
                       {&canvas, canvas.Root()},
                       {&canvas, canvas.Root()},
                       {&canvas, canvas.Root()}};
  NTMixer mixer{&canvas, canvas.Root()};

  void Feed(int k, int32_t v) {
    mixer.In[k].Source = &src[k].Out;
    src[k].Out.Value = v;
  }
  int32_t Mix() {
    RunFrame(mixer);
    return mixer.Out.Value;
  }
};

TEST_F(MixerTest, NewMixerPassesChannelsAtUnityAndMasterAtMinus10Db) {
  for (int k = 0; k < 4; ++k) EXPECT_EQ(mixer.Level[k].Disp.Value, 900);
  EXPECT_EQ(mixer.Master.Disp.Value, 800);
  EXPECT_EQ(Mix(), 0);
  Feed(2, 65535);
  EXPECT_EQ(Mix(), 20722);
}

TEST_F(MixerTest, LevelsScaleByTheLevelTable) {
  Feed(0, 65535);
  mixer.Master.Value = 900;
  EXPECT_EQ(Mix(), 65535);
  mixer.Master.Value = 1000;
  EXPECT_EQ(Mix(), 207234);  // passed on unclipped
}

TEST_F(MixerTest, EveryChannelIsTruncatedBeforeTheSum) {
  Feed(0, 3);
  Feed(1, 3);
  mixer.Level[0].Value = 899;
  mixer.Level[1].Value = 899;
  mixer.Master.Value = 900;
  EXPECT_EQ(Mix(), 4);
  Feed(0, -3);
  Feed(1, -3);
  EXPECT_EQ(Mix(), -4);
}

TEST_F(MixerTest, MutedAndUnconnectedChannelsContributeNothing) {
  mixer.Master.Value = 900;
  Feed(0, 65535);
  Feed(1, 1000);
  mixer.Level[0].Value = 99;
  EXPECT_EQ(Mix(), 1000);
  mixer.Level[0].Value = 0;
  EXPECT_EQ(Mix(), 1000);
  // A channel without a source adds nothing, whatever its input held.
  mixer.In[1].Source = nullptr;
  mixer.In[1].Value = 5000;
  mixer.Compute();
  EXPECT_EQ(mixer.Out.Value, 0);
  Feed(1, 1000);
  mixer.Master.Value = 50;
  EXPECT_EQ(Mix(), 0);
}

TEST_F(MixerTest, SumsBeyond32BitProductsStayExact) {
  mixer.Master.Value = 900;
  for (int k = 0; k < 4; ++k) Feed(k, 65535);
  EXPECT_EQ(Mix(), 262140);  // g * sum = 2.6e9 would not fit 32 bits
  for (int k = 0; k < 4; ++k) mixer.Level[k].Value = 1000;
  mixer.Master.Value = 1000;
  EXPECT_EQ(Mix(), 2621261);  // 4 x 207234 at +10 dB
  Feed(0, 100000000);         // a channel product beyond 32 bits
  for (int k = 1; k < 4; ++k) mixer.In[k].Source = nullptr;
  mixer.Master.Value = 900;
  EXPECT_EQ(Mix(), 316220000);
}

TEST_F(MixerTest, DamagedLevelValuesClampToTheLevelTable) {
  Feed(0, 65535);
  mixer.Level[0].Value = 123456;
  mixer.Master.Value = -3;
  EXPECT_EQ(Mix(), 0);
  mixer.Master.Value = INT32_MAX;
  EXPECT_EQ(Mix(), 655315);  // both at +10 dB
  mixer.Level[0].Value = INT32_MIN;
  EXPECT_EQ(Mix(), 0);
}

// The block forms of every instruction set the processor runs against the frame-by-frame one, for
// every set of connected channels, levels at 0 dB and elsewhere, inputs at the 32-bit edges (sums
// beyond 32 bits), sub-blocks of every length.
TEST_F(MixerTest, BlocksComputeExactlyWhatSingleFramesCompute) {
  std::mt19937 rng(3);
  THistories h(6);
  for (int connected = 0; connected < 16 * NTMixer::InstructionSets(); ++connected) {
    TPorts ports{{}, {5}};
    for (int k = 0; k < 4; ++k) {
      const bool on = connected >> k & 1;  // the low four bits
      mixer.In[k].Source = on ? &src[k].Out : nullptr;
      ports.In.push_back(on ? k + 1 : 0);
      mixer.Level[k].Value = std::array{900, 900, 1000, 899, 0, int(rng() % 1001)}[rng() % 6];
    }
    mixer.Master.Value = std::array{900, 800, 1000, 1, int(rng() % 1001)}[connected % 5];
    for (int round = 0; round < 6; ++round) {
      const int n = int(rng() % THistories::kFrames) + 1;
      std::vector<int32_t> expected;
      for (int f = 0; f < n; ++f) {
        for (int k = 0; k < 4; ++k)
          src[k].Out.Value = h.Row(k + 1)[f] = rng() % 3   ? int32_t(rng())
                                               : rng() % 2 ? INT32_MAX
                                                           : INT32_MIN;
        expected.push_back(Mix());
      }
      mixer.Block({h, n, nullptr, nullptr}, ports, connected / 16);
      for (int f = 0; f < n; ++f)
        ASSERT_EQ(h.Row(5)[f + 1], expected[size_t(f)])
            << "channels " << connected % 16 << ", instruction set " << connected / 16 << ", frame "
            << f;
    }
  }
}

TEST_F(MixerTest, EachControlShowsInItsOwnDisplay) {
  mixer.Level[3].Value = 500;
  mixer.Level[3].NotifyChange();
  mixer.Master.Value = 0;
  mixer.Master.NotifyChange();
  EXPECT_EQ(mixer.Level[3].Disp.Value, 500);
  EXPECT_EQ(mixer.Level[0].Disp.Value, 900);
  EXPECT_EQ(mixer.Master.Disp.Value, 0);
  EXPECT_EQ(canvas.shown.size(), 2u);
}

class MultTest : public ::testing::Test {
 protected:
  TestCanvas canvas;
  TestSource a{&canvas, canvas.Root()}, b{&canvas, canvas.Root()};
  NTMult mult{&canvas, canvas.Root()};

  int32_t Times(int32_t x1, int32_t x2) {
    mult.In1.Source = &a.Out;
    mult.In2.Source = &b.Out;
    a.Out.Value = x1;
    b.Out.Value = x2;
    RunFrame(mult);
    return mult.Out.Value;
  }
};

TEST_F(MultTest, FullScaleTimesFullScaleIsFullScale) {
  EXPECT_EQ(Times(65535, 65535), 65528);
  EXPECT_EQ(Times(-65535, 65535), -65532);
  EXPECT_EQ(Times(65536, 65536), 65536);
  EXPECT_EQ(Times(-1, -1), 0);
  EXPECT_EQ(Times(0, 65535), 0);
}

TEST_F(MultTest, ProductsBeyond32BitsAreFormedExactly) {
  EXPECT_EQ(Times(207234, 207234), 655290);  // two VCOs at +10 dB
  EXPECT_EQ(Times(1 << 20, 1 << 20), 1 << 24);
}

TEST_F(MultTest, OneInputUnconnectedSilencesTheOutputAndKeepsTheLatchedValue) {
  Times(40000, 30000);
  mult.In2.Source = nullptr;
  b.Out.Value = 1;
  RunFrame(mult);
  EXPECT_EQ(mult.Out.Value, 0);
  EXPECT_EQ(mult.In2.Value, 30000);
  mult.In2.Source = &b.Out;
  b.Out.Value = 30000;
  RunFrame(mult);
  EXPECT_NE(mult.Out.Value, 0);
}
}  // namespace
