#include "devices/vocoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "devices/arith.h"
#include "devices/lanes.h"
#include "platform/art.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 96, kPanelH = 60;
constexpr Point kInPos{16, 39}, kOutPos{64, 39};

constexpr double kLowestBand = 110;
}  // namespace

double NTVocoder::BandFrequency(int i) noexcept {
  return kLowestBand * std::pow(std::pow(2.0, 0.125), i);
}

NTVocoder::NTVocoder(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Vocoder"),
      In(canvas, this, bmp::kJackBlue, "In"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      table_(TVCSinTab::Instance()) {
  In.MoveTo(kInPos);
  Out.MoveTo(kOutPos);
  Type = DeviceType::Vocoder;
  for (int i = 0; i < kBands; ++i) {
    const double f = BandFrequency(i);
    bands_.Design(i, NTVCInBand2(f));
    oscillators_.Step[i] = NTVCSinGen(f * kShift).Step;
  }
}

void NTVocoder::Latch() noexcept {
  In.Latch();
}

namespace {
inline void Rectify(V4& v) noexcept {
  U4 bits;
  std::memcpy(&bits, &v, sizeof v);
  bits &= ~(U4{} + (uint64_t{1} << 63));
  std::memcpy(&v, &bits, sizeof v);
}

// Lanes g..g+3 of a stage whose input is x now and was x1, x2 before: the biquad's sum, in its
// order. Leaves the stage's previous outputs in y1, y2 for the next stage's input history.
template <class Stage>
inline __attribute__((always_inline)) void StepLanes(Stage& s, size_t g, const V4& x, const V4& x1,
                                                     const V4& x2, V4& y1, V4& y2, V4& y) noexcept {
  V4 b0, b1, b2, a1, a2;
  Load(b0, s.b0 + g);
  Load(b1, s.b1 + g);
  Load(b2, s.b2 + g);
  Load(a1, s.a1 + g);
  Load(a2, s.a2 + g);
  Load(y1, s.y1 + g);
  Load(y2, s.y2 + g);
  y = b0 * x + b1 * x1 + b2 * x2 + a1 * y1 + a2 * y2;
  Store(s.y2 + g, y1);
  Store(s.y1 + g, y);
}

// Lanes g..g+3 of the analysis of the input, which is x now and was x1, x2 before: the envelopes.
template <size_t N>
inline __attribute__((always_inline)) void AnalyseLanes(TVCBandBank<N>& bands, size_t g,
                                                        const V4& x, const V4& x1, const V4& x2,
                                                        V4& env) noexcept {
  V4 first, f1, f2, second, s1, s2, e1, e2;
  StepLanes(bands.First, g, x, x1, x2, f1, f2, first);
  StepLanes(bands.Second, g, first, f1, f2, s1, s2, second);
  Rectify(second);
  Rectify(s1);
  Rectify(s2);
  StepLanes(bands.Smooth, g, second, s1, s2, e1, e2, env);
  Store(bands.Envelope + g, env);
}

// The input history moves on by x.
template <size_t N>
inline void Shift(TVCBandBank<N>& bands, double x) noexcept {
  bands.x2 = bands.x1;
  bands.x1 = x;
}

// Analyses x in every band and sums each envelope times its oscillator's value in band order,
// then moves the oscillators on. Each group's share of the sum follows its analysis at once, so
// the long chain of additions overlaps the next group's work.
template <size_t N>
QUARVIN_LANES double MixBands(TVCBandBank<N>& bands, TVCOscBank<N>& oscillators,
                              const TVCSinTab& tab, int count, double x) noexcept {
  const V4 in = V4{} + x, in1 = V4{} + bands.x1, in2 = V4{} + bands.x2;
  double sum = 0;
  for (size_t g = 0; g < N; g += 4) {
    V4 env;
    AnalyseLanes(bands, g, in, in1, in2, env);
    for (size_t k = 0; k < 4 && int(g + k) < count; ++k)
      sum = env[k] * tab[oscillators.Phase[g + k]] + sum;
  }
  Shift(bands, x);
  oscillators.Advance();
  return sum;
}

// MixBands over consecutive frames, a chunk at a time: first every frame's partials (envelope
// times oscillator value), then the sums in band order with four frames in the lanes of a vector,
// so that four chains of additions run side by side instead of one.
template <size_t N>
QUARVIN_LANES void MixBandsBlock(TVCBandBank<N>& bands, TVCOscBank<N>& oscillators,
                                 const TVCSinTab& tab, int count, const int32_t* in, int32_t* out,
                                 int frames) noexcept {
  constexpr int kChunk = 16;
  alignas(32) double partial[kChunk][N];
  for (int f0 = 0; f0 < frames; f0 += kChunk) {
    const int n = std::min(kChunk, frames - f0);
    for (int j = 0; j < n; ++j) {
      const double x = in[f0 + j];
      const V4 x0 = V4{} + x, x1 = V4{} + bands.x1, x2 = V4{} + bands.x2;
      for (size_t g = 0; g < N; g += 4) {
        V4 env;
        AnalyseLanes(bands, g, x0, x1, x2, env);
        const V4 wave = {tab[oscillators.Phase[g]], tab[oscillators.Phase[g + 1]],
                         tab[oscillators.Phase[g + 2]], tab[oscillators.Phase[g + 3]]};
        Store(partial[j] + g, env * wave);
      }
      Shift(bands, x);
      oscillators.Advance();
    }
    for (int j = 0; j < n; j += 4) {
      // Lanes past the chunk's last frame repeat it and are not stored.
      const int r1 = std::min(j + 1, n - 1), r2 = std::min(j + 2, n - 1),
                r3 = std::min(j + 3, n - 1);
      V4 sum = {};
      for (int k = 0; k < count; ++k)
        sum = V4{partial[j][k], partial[r1][k], partial[r2][k], partial[r3][k]} + sum;
      I4 whole;
      TruncLanes(whole, sum);
      for (int l = 0; l < 4 && j + l < n; ++l) out[f0 + j + l] = whole[l];
    }
  }
}
}  // namespace

double NTVocoder::Mix(double x) noexcept {
  return MixBands(bands_, oscillators_, table_, kBands, x);
}

void NTVocoder::MixBlock(const int32_t* in, int32_t* out, int frames) noexcept {
  MixBandsBlock(bands_, oscillators_, table_, kBands, in, out, frames);
}

void NTVocoder::Compute() noexcept {
  Out.Value = TruncToInt32(Mix(In.Value));
}
