#include "devices/vocoder.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "devices/arith.h"
#include "platform/art.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 96, kPanelH = 60;
constexpr Point kInPos{16, 39}, kOutPos{64, 39};

constexpr double kBandQ = 16, kSmoothQ = 1;
constexpr double kLowestBand = 110;
constexpr double kThird = 0.3333333333333333;
}  // namespace

const TVCSinTab& TVCSinTab::Instance() {
  static const TVCSinTab tab;
  return tab;
}

TVCSinTab::TVCSinTab() {
  for (int32_t i = 0; i < kSize; ++i) table_[i] = std::sin(AngleOf(i));
}

NTVCBP::NTVCBP(double frequency, double q)
    : NTVCFilter(frequency, q, BandPass(AngleOf(frequency), q)) {}

// The smoothing design takes s / Q; as 1 / Q times s it is the same number for the Q of 1 the
// bands use.
NTVCLP::NTVCLP(double frequency, double q)
    : NTVCFilter(frequency, q, LowPass(AngleOf(frequency), 1 / q)) {}

NTVCInBand2::NTVCInBand2(double frequency)
    : First(frequency, kBandQ),
      Second(frequency, kBandQ),
      Smooth(frequency * kThird, kSmoothQ),
      Frequency(frequency) {}

NTVCSinGen::NTVCSinGen(double frequency)
    : Step(static_cast<int32_t>(frequency)), Frequency(frequency) {}

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
// Four lanes of doubles: element-wise IEEE arithmetic, so each lane computes exactly what the
// scalar code computes (the build forbids contracting into fused multiply-adds).
using V4 = double __attribute__((vector_size(32)));
using U4 = uint64_t __attribute__((vector_size(32)));

// Vectors pass by reference only: their by-value calling convention differs between the
// baseline and the AVX2 build of MixBands.
inline void Load(V4& v, const double* p) noexcept {
  std::memcpy(&v, p, sizeof v);
}
inline void Store(double* p, const V4& v) noexcept {
  std::memcpy(p, &v, sizeof v);
}

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

// Analyses x in every band and sums each envelope times its oscillator's value in band order,
// then moves the oscillators on. Each group's share of the sum follows its analysis at once, so
// the long chain of additions overlaps the next group's work.
template <size_t N>
// The AVX2 build is chosen by a resolver that runs while the program is loaded, before the
// thread sanitizer's runtime has started, so sanitizer builds keep the one baseline build.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
double
MixBands(TVCBandBank<N>& bands, TVCOscBank<N>& oscillators, const TVCSinTab& tab, int count,
         double x) noexcept {
  const V4 in = V4{} + x, in1 = V4{} + bands.x1, in2 = V4{} + bands.x2;
  double sum = 0;
  for (size_t g = 0; g < N; g += 4) {
    V4 first, f1, f2, second, s1, s2, env, e1, e2;
    StepLanes(bands.First, g, in, in1, in2, f1, f2, first);
    StepLanes(bands.Second, g, first, f1, f2, s1, s2, second);
    Rectify(second);
    Rectify(s1);
    Rectify(s2);
    StepLanes(bands.Smooth, g, second, s1, s2, e1, e2, env);
    Store(bands.Envelope + g, env);
    for (size_t k = 0; k < 4 && int(g + k) < count; ++k)
      sum = env[k] * tab[oscillators.Phase[g + k]] + sum;
  }
  bands.x2 = bands.x1;
  bands.x1 = x;
  oscillators.Advance();
  return sum;
}
}  // namespace

double NTVocoder::Mix(double x) noexcept {
  return MixBands(bands_, oscillators_, table_, kBands, x);
}

void NTVocoder::Compute() noexcept {
  Out.Value = TruncToInt32(Mix(In.Value));
}
