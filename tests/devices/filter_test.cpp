#include "devices/filter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "device_support.h"

namespace {
struct FilterTest : ::testing::Test {
  EffectPatch p;
  NTFilter f{&p.canvas, p.canvas.Root()};

  FilterTest() { f.In.Source = &p.source.L; }

  void SetFreq(int32_t v) {
    f.Freq.SetValue(v);
    f.Freq.NotifyChange();
  }
  void SetQ(int32_t v) {
    f.Q.SetValue(v);
    f.Q.NotifyChange();
  }
  void SetKind(int32_t k) {
    f.KindKeys.Selected = k;
    f.CtrlNotify(f.KindKeys.Code);
  }
  // The output after running a constant input for a while.
  int32_t Settled(int32_t v) { return RunFrames(p, f, std::vector<int32_t>(20000, v)).back(); }
  int32_t Peak(const std::vector<int32_t>& y, size_t from) {
    int32_t m = 0;
    for (size_t i = from; i < y.size(); ++i) m = std::max(m, std::abs(y[i]));
    return m;
  }
};

TEST_F(FilterTest, LowPassPassesDcAndHighPassBlocksIt) {
  EXPECT_NEAR(Settled(1000), 1000, 1);
  SetKind(NTFilter::HighPassKind);
  EXPECT_NEAR(Settled(1000), 0, 1);
  EXPECT_EQ(p.canvas.beeps, 0);
}

TEST_F(FilterTest, BandPassKeepsItsCentreAndBandStopRemovesIt) {
  const std::vector<int32_t> sine = Sine(440, 20000, 44100);
  SetKind(NTFilter::BandPassKind);
  EXPECT_NEAR(Peak(RunFrames(p, f, sine), 22050), 20000, 200);
  SetKind(NTFilter::BandStopKind);
  EXPECT_LT(Peak(RunFrames(p, f, sine), 22050), 200);
}

TEST_F(FilterTest, BeepsOnceForEachUnstableDesign) {
  SetFreq(60000);  // 14080 Hz
  SetQ(5);         // Q 0.5
  EXPECT_EQ(p.canvas.beeps, 0);
  SetKind(NTFilter::BandPassKind);
  EXPECT_EQ(p.canvas.beeps, 1);
  SetKind(NTFilter::LowPassKind);
  EXPECT_EQ(p.canvas.beeps, 1);
  SetKind(NTFilter::BandStopKind);
  EXPECT_EQ(p.canvas.beeps, 2);
}

TEST_F(FilterTest, UnstableHistoryStillGivesDefinedValues) {
  SetFreq(60000);
  SetQ(5);
  SetKind(NTFilter::BandPassKind);
  std::vector<int32_t> in(100000, 0);
  in[0] = 30000;
  const std::vector<int32_t> out = RunFrames(p, f, in);
  // The history grows without bound to infinity; the output saturates instead of wrapping.
  EXPECT_TRUE(out.back() == INT32_MAX || out.back() == INT32_MIN) << out.back();
}

TEST_F(FilterTest, ChangingTheKindKeepsTheHistory) {
  const std::vector<int32_t> sine = Sine(300, 20000, 2000);
  TBiquadHistory h;
  TBiquad c = NTFilter::Design(NTFilter::LowPassKind, 30000, 10);
  for (size_t i = 0; i < sine.size(); ++i) {
    if (i == 1000) {
      SetKind(NTFilter::HighPassKind);
      c = NTFilter::Design(NTFilter::HighPassKind, 30000, 10);
    }
    p.Feed(sine[i]);
    RunFrame(f);
    ASSERT_EQ(f.Out.Value, static_cast<int32_t>(h.Step(c, sine[i]))) << "frame " << i;
  }
}

TEST_F(FilterTest, DisplaysFollowTheControls) {
  EXPECT_EQ(NTDisp::Format(f.Freq.Disp.Kind, f.Freq.Disp.Value), "440.0");
  EXPECT_EQ(NTDisp::Format(f.Q.Disp.Kind, f.Q.Disp.Value), "  1.0");
  SetFreq(60000);
  SetQ(200);
  EXPECT_EQ(NTDisp::Format(f.Freq.Disp.Kind, f.Freq.Disp.Value), "14080");
  EXPECT_EQ(NTDisp::Format(f.Q.Disp.Kind, f.Q.Disp.Value), " 20.0");
}

TEST_F(FilterTest, ControlChangesReachARunningFilterWithoutWaiting) {
  p.Feed(1000);
  std::atomic<bool> done{false};
  std::thread audio([&] {
    while (!done.load(std::memory_order_acquire)) RunFrame(f);
  });
  for (int i = 0; i < 2000; ++i) {
    SetFreq(18000 + i % 400 * 100);
    SetKind(i % 2 ? NTFilter::LowPassKind : NTFilter::HighPassKind);
  }
  SetKind(NTFilter::LowPassKind);
  done.store(true, std::memory_order_release);
  audio.join();
  EXPECT_NEAR(Settled(1000), 1000, 1);
}

TEST_F(FilterTest, RecordsRoundTrip) {
  f.MoveTo({30, 40});
  SetFreq(42000);
  SetQ(37);
  SetKind(NTFilter::BandStopKind);
  const std::vector<uint8_t> bytes = Record(f);
  EXPECT_EQ(bytes.size(), 19u * 4);
  EXPECT_EQ(WindowCount(f), 19);

  NTFilter g(&p.canvas, p.canvas.Root());
  Load(g, bytes);
  EXPECT_EQ(Record(g), bytes);
  EXPECT_EQ(g.FilterKind, NTFilter::BandStopKind);
  EXPECT_EQ(g.In.Source.Get(), &p.source.L);
  // Same coefficients: both filters run from a clean history to the same outputs.
  const std::vector<int32_t> sine = Sine(1000, 20000, 500);
  EXPECT_EQ(RunFrames(p, g, sine), RunFrames(p, f, sine));
}

TEST_F(FilterTest, UnknownKindFromAFileKeepsTheInitialDesign) {
  SetFreq(50000);
  opstream os;
  WriteWalk(&f, os);
  std::vector<uint8_t> bytes = os.Bytes();
  bytes[bytes.size() - 4] = 9;  // the kind is the last word

  NTFilter g(&p.canvas, p.canvas.Root());
  Load(g, bytes);
  EXPECT_EQ(g.FilterKind, 9);
  EXPECT_EQ(g.Freq.Value, 50000);
  const std::vector<int32_t> sine = Sine(1000, 20000, 500);
  TBiquadHistory h;
  const TBiquad initial = NTFilter::Design(NTFilter::LowPassKind, 30000, 10);
  const std::vector<int32_t> out = RunFrames(p, g, sine);
  for (size_t i = 0; i < sine.size(); ++i)
    ASSERT_EQ(out[i], static_cast<int32_t>(h.Step(initial, sine[i])));
  // Nor does a control change design anything for that kind.
  g.RegChanged(g.Freq.Code);
  EXPECT_EQ(RunFrames(p, g, {0}).back(), static_cast<int32_t>(h.Step(initial, 0)));
}
}  // namespace
