#include "devices/vocoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "device_support.h"
#include "devices/arith.h"

namespace {
struct VocoderTest : ::testing::Test {
  EffectPatch p;
  NTVocoder v{&p.canvas, p.canvas.Root()};

  VocoderTest() { v.In.Source = &p.source.L; }
};

// The vocoder as 49 separate bands and oscillators, summed in band order.
struct ReferenceVocoder {
  std::vector<NTVCInBand2> bands;
  std::vector<NTVCSinGen> oscillators;

  ReferenceVocoder() {
    for (int i = 0; i < NTVocoder::kBands; ++i) {
      bands.emplace_back(NTVocoder::BandFrequency(i));
      oscillators.emplace_back(NTVocoder::BandFrequency(i) * 1.26);
    }
  }
  double Mix(double x) {
    double sum = 0;
    for (int i = 0; i < NTVocoder::kBands; ++i) {
      bands[i].Process(x);
      sum = bands[i].Envelope * oscillators[i].Next(TVCSinTab::Instance()) + sum;
    }
    return sum;
  }
};

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(VocoderTest, OscillatorsRunAtWholeHertz) {
  const int32_t low[] = {138, 151, 164, 179, 196, 213, 233, 254, 277, 302};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(v.OscillatorStep(i), low[i]) << i;
  EXPECT_EQ(v.OscillatorStep(48), 8870);
  EXPECT_NEAR(NTVocoder::BandFrequency(16), 440, 1e-9);
  EXPECT_NEAR(NTVocoder::BandFrequency(48), 7040, 1e-9);
}

TEST_F(VocoderTest, OscillatorPhaseWrapsWithOneSubtraction) {
  NTVCSinGen g(44099.9);
  EXPECT_EQ(g.Step, 44099);
  for (int i = 0; i < 100000; ++i) {
    g.Next(TVCSinTab::Instance());
    ASSERT_GE(g.Phase, 0);
    ASSERT_LT(g.Phase, TVCSinTab::kSize);
  }
}

TEST_F(VocoderTest, SineComesOutFourSemitonesHigher) {
  const std::vector<int32_t> out = RunFrames(p, v, Sine(440, 30000, 2 * 44100));
  const double main = AmplitudeAt(out, 44100, 554);
  // About the mean of the rectified input at 1.26 times its frequency.
  EXPECT_NEAR(main, 30000 * 2 / M_PI, 3000);
  for (double other : {508.0, 604.0, 440.0, 277.0, 1108.0})
    EXPECT_LT(AmplitudeAt(out, 44100, other), main / 5) << other << " Hz";
}

TEST_F(VocoderTest, BandBankComputesExactlyWhatSeparateBandsCompute) {
  ReferenceVocoder ref;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> noise(-65536, 65536);
  const std::vector<int32_t> sine = Sine(523, 40000, 20000);
  for (size_t n = 0; n < 40000; ++n) {
    const double x = n < sine.size() ? sine[n] : noise(rng);
    ASSERT_TRUE(SameBits(v.Mix(x), ref.Mix(x))) << "frame " << n;
  }
  for (int i = 0; i < NTVocoder::kBands; ++i)
    EXPECT_TRUE(SameBits(v.Envelope(i), ref.bands[i].Envelope)) << "band " << i;
}

TEST_F(VocoderTest, BlocksComputeExactlyWhatSingleFramesCompute) {
  NTVocoder w(&p.canvas, p.canvas.Root());
  std::mt19937 rng(3);
  std::uniform_int_distribution<int32_t> noise(INT32_MIN, INT32_MAX);
  // Block lengths around the chunk sizes and the sums' groups of four frames; the long one takes
  // every oscillator's stream past its end. A negative length runs that many single frames on
  // both, so the next block finds its place in the streams anew.
  for (int frames : {1, 2, 3, 4, 5, 7, 63, 64, 65, 127, 128, 129, -3, 1, 130, -70, 45000}) {
    std::vector<int32_t> in(size_t(std::abs(frames)), 0), out(in.size());
    for (int32_t& x : in) x = noise(rng);
    if (frames > 0) v.MixBlock(in.data(), out.data(), frames);
    for (size_t f = 0; f < in.size(); ++f) {
      const int32_t expected = TruncToInt32(w.Mix(in[f]));
      if (frames < 0) out[f] = TruncToInt32(v.Mix(in[f]));
      ASSERT_EQ(out[f], expected) << frames << " frames, " << f;
    }
    for (int i = 0; i < NTVocoder::kBands; ++i)
      ASSERT_TRUE(SameBits(v.Envelope(i), w.Envelope(i))) << frames << " frames, band " << i;
  }
}

// Every entry of every stream, past the end of its cycle too, is the table's value at the phase
// that many steps reach; and the index of that phase is found again.
TEST(VocoderStreams, EveryStreamReadsTheTableAtTheOscillatorsPhases) {
  const TVCSinTab& tab = TVCSinTab::Instance();
  const std::array<int32_t, 4> steps = {138, 196, 8870, 0};
  const TVCSinStreams streams(tab, steps);
  for (size_t i = 0; i < steps.size(); ++i) {
    NTVCSinGen osc(steps[i]);
    for (int32_t k = 0; k < streams.Cycle(i) + TVCSinStreams::kTail; ++k) {
      ASSERT_EQ(streams.PhaseOf(i, k), osc.Phase) << steps[i] << " Hz, step " << k;
      const int32_t back = streams.PhaseOf(i, streams.IndexOf(i, osc.Phase));
      ASSERT_EQ(back, osc.Phase) << steps[i] << " Hz, step " << k;
      ASSERT_TRUE(SameBits(streams.Stream(i)[k], osc.Next(tab))) << steps[i] << " Hz, step " << k;
    }
  }
}

TEST_F(VocoderTest, TwoVocodersBehaveIdentically) {
  NTVocoder w(&p.canvas, p.canvas.Root());
  w.In.Source = &p.source.L;
  for (int32_t x : Sine(700, 50000, 10000)) {
    p.Feed(x);
    RunFrame(v);
    RunFrame(w);
    ASSERT_EQ(v.Out.Value, w.Out.Value);
  }
}

TEST_F(VocoderTest, HugeSumsSaturate) {
  // A full-scale square wave excites many bands at once.
  std::vector<int32_t> square(44100);
  for (size_t n = 0; n < square.size(); ++n) square[n] = (n / 200) % 2 ? INT32_MIN : INT32_MAX;
  const std::vector<int32_t> out = RunFrames(p, v, square);
  const auto [lo, hi] = std::minmax_element(out.begin(), out.end());
  EXPECT_EQ(*lo, INT32_MIN);
  EXPECT_EQ(*hi, INT32_MAX);
}

TEST_F(VocoderTest, RecordsRoundTrip) {
  v.MoveTo({300, 200});
  RunFrames(p, v, Sine(440, 30000, 3000));
  const std::vector<uint8_t> bytes = Record(v);
  EXPECT_EQ(bytes.size(), 7u * 4);
  EXPECT_EQ(WindowCount(v), 6);

  NTVocoder g(&p.canvas, p.canvas.Root());
  Load(g, bytes);
  EXPECT_EQ(Record(g), bytes);
  EXPECT_EQ(g.In.Source.Get(), &p.source.L);
}
}  // namespace
