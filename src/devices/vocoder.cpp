#include "devices/vocoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "devices/arith.h"
#include "devices/biquad.h"
#include "devices/lanes.h"
#include "devices/panel.h"
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

NTVocoder::NTVocoder(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Vocoder"),
      In(canvas, this, bmp::kJackBlue, "In"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      table_(TVCSinTab::Instance()),
      streams_(Streams()) {
  RecordOrder(*this, In, Out);
  In.MoveTo(kInPos);
  Out.MoveTo(kOutPos);
  for (int i = 0; i < kBands; ++i) bands_.Design(i, NTVCInBand2(BandFrequency(i)));
  std::ranges::copy(LaneSteps(), oscillators_.Step);
}

std::array<int32_t, NTVocoder::kLanes> NTVocoder::LaneSteps() noexcept {
  std::array<int32_t, kLanes> steps{};
  for (int i = 0; i < kBands; ++i) steps[i] = NTVCSinGen(BandFrequency(i) * kShift).Step;
  return steps;
}

// Every vocoder has the same oscillators, so one set of streams serves all; it is built when the
// first vocoder is.
const TVCSinStreams& NTVocoder::Streams() {
  static const TVCSinStreams streams(TVCSinTab::Instance(), LaneSteps());
  return streams;
}

void NTVocoder::Latch() noexcept {
  In.Latch();
}

namespace {
inline __attribute__((always_inline)) void Rectify(V4& v) noexcept {
  U4 bits;
  std::memcpy(&bits, &v, sizeof v);
  bits &= ~(U4{} + (uint64_t{1} << 63));
  std::memcpy(&v, &bits, sizeof v);
}

// Four copies of x.
inline __attribute__((always_inline)) void Broadcast(V4& v, double x) noexcept {
  v = V4{x, x, x, x};
}

// Lanes g..g+3 of a stage's output y for input x now and x1, x2 before and outputs y1, y2 before:
// the biquad's sum, in its order.
template <class Stage>
inline __attribute__((always_inline)) void SumLanes(const Stage& s, size_t g, const V4& x,
                                                    const V4& x1, const V4& x2, const V4& y1,
                                                    const V4& y2, V4& y) noexcept {
  V4 b0, b1, b2, a1, a2;
  Load(b0, s.b0 + g);
  Load(b1, s.b1 + g);
  Load(b2, s.b2 + g);
  Load(a1, s.a1 + g);
  Load(a2, s.a2 + g);
  BiquadSum(y, b0, b1, b2, a1, a2, x, x1, x2, y1, y2);
}

// The oscillators of a group as vectors of phases: each lane moves on as NTVCSinGen::Next moves
// it, the unsigned minimum picking the wrapped phase exactly when the sum reached the table size.
using P4 = uint32_t __attribute__((vector_size(16)));

inline __attribute__((always_inline)) void Advance(P4& phase, const P4& step) noexcept {
  const P4 p = phase + step, wrapped = p - uint32_t(TVCSinTab::kSize);
  phase = wrapped < p ? wrapped : p;
}

// Four bands held in registers while they run through several frames. The stages run skewed: the
// second stage a frame behind the first and the smoothing stage two, so that the three chains of
// dependent operations of a frame overlap. Hence the first two stages keep three past outputs.
// Between chunks of frames the skew is undone, so the bank in memory always holds whole frames.
struct TGroup {
  V4 f1, f2, f3;   // the first stage's last outputs, latest first
  V4 s1, s2, s3;   // the second stage's
  V4 e1, e2;       // the smoothing stage's: the envelopes
  P4 phase, step;  // the oscillators'
};

// The last two outputs of each of group g's stages, from the bank into a held group of either
// form, and back; the envelope is the smoothing stage's latest output.
template <size_t N, class Group>
inline __attribute__((always_inline)) void LoadOutputs(const TVCBandBank<N>& bands, size_t g,
                                                       Group& h) noexcept {
  Load(h.f1, bands.First.y1 + g);
  Load(h.f2, bands.First.y2 + g);
  Load(h.s1, bands.Second.y1 + g);
  Load(h.s2, bands.Second.y2 + g);
  Load(h.e1, bands.Smooth.y1 + g);
  Load(h.e2, bands.Smooth.y2 + g);
}

template <size_t N, class Group>
inline __attribute__((always_inline)) void StoreOutputs(TVCBandBank<N>& bands, size_t g,
                                                        const Group& h) noexcept {
  Store(bands.First.y1 + g, h.f1);
  Store(bands.First.y2 + g, h.f2);
  Store(bands.Second.y1 + g, h.s1);
  Store(bands.Second.y2 + g, h.s2);
  Store(bands.Smooth.y1 + g, h.e1);
  Store(bands.Smooth.y2 + g, h.e2);
  Store(bands.Envelope + g, h.e1);
}

// Loads group g from the banks into registers.
template <size_t N>
inline __attribute__((always_inline)) void Hold(const TVCBandBank<N>& bands,
                                                const TVCOscBank<N>& oscillators, size_t g,
                                                TGroup& h) noexcept {
  LoadOutputs(bands, g, h);
  std::memcpy(&h.phase, oscillators.Phase + g, sizeof h.phase);
  std::memcpy(&h.step, oscillators.Step + g, sizeof h.step);
}

// Stores a held group back.
template <size_t N>
inline __attribute__((always_inline)) void Release(TVCBandBank<N>& bands,
                                                   TVCOscBank<N>& oscillators, size_t g,
                                                   const TGroup& h) noexcept {
  StoreOutputs(bands, g, h);
  std::memcpy(oscillators.Phase + g, &h.phase, sizeof h.phase);
}

// The first stage for the input x[2] after x[1] and x[0], each in every lane.
template <size_t N>
inline __attribute__((always_inline)) void StepFirst(const TVCBandBank<N>& bands, size_t g,
                                                     TGroup& h, const V4* x) noexcept {
  V4 y;
  SumLanes(bands.First, g, x[2], x[1], x[0], h.f1, h.f2, y);
  h.f3 = h.f2;
  h.f2 = h.f1;
  h.f1 = y;
}

// The second stage on the first stage's output of a frame before.
template <size_t N>
inline __attribute__((always_inline)) void StepSecond(const TVCBandBank<N>& bands, size_t g,
                                                      TGroup& h) noexcept {
  V4 y;
  SumLanes(bands.Second, g, h.f1, h.f2, h.f3, h.s1, h.s2, y);
  h.s3 = h.s2;
  h.s2 = h.s1;
  h.s1 = y;
}

// The smoothing stage on the second stage's rectified output of a frame before, and each band's
// envelope times its oscillator's value; then the oscillators one step on.
template <size_t N>
inline __attribute__((always_inline)) void StepSmooth(const TVCBandBank<N>& bands,
                                                      const double* wave, size_t g, TGroup& h,
                                                      V4& partial) noexcept {
  V4 env;
  V4 r1 = h.s1, r2 = h.s2, r3 = h.s3;
  Rectify(r1);
  Rectify(r2);
  Rectify(r3);
  SumLanes(bands.Smooth, g, r1, r2, r3, h.e1, h.e2, env);
  h.e2 = h.e1;
  h.e1 = env;
  partial = env * V4{wave[h.phase[0]], wave[h.phase[1]], wave[h.phase[2]], wave[h.phase[3]]};
  Advance(h.phase, h.step);
}

// One frame of a held group for the input x[2] after x[1] and x[0], stages unskewed.
template <size_t N>
inline __attribute__((always_inline)) void StepGroup(const TVCBandBank<N>& bands,
                                                     const TVCSinTab& tab, size_t g, TGroup& h,
                                                     const V4* x, V4& partial) noexcept {
  StepFirst(bands, g, h, x);
  StepSecond(bands, g, h);
  StepSmooth(bands, tab.Data(), g, h, partial);
}

// The input history moves on by x.
template <size_t N>
inline void Shift(TVCBandBank<N>& bands, double x) noexcept {
  bands.x2 = bands.x1;
  bands.x1 = x;
}

// Analyses x in every band and sums each envelope times its oscillator's value in band order,
// then moves the oscillators on.
template <size_t N>
QUARVIN_LANES double MixBands(TVCBandBank<N>& bands, TVCOscBank<N>& oscillators,
                              const TVCSinTab& tab, int count, double x) noexcept {
  V4 in[3];
  Broadcast(in[0], bands.x2);
  Broadcast(in[1], bands.x1);
  Broadcast(in[2], x);
  double sum = 0;
  for (size_t g = 0; g < N; g += 4) {
    TGroup h;
    V4 partial;
    Hold(bands, oscillators, g, h);
    StepGroup(bands, tab, g, h, in, partial);
    Release(bands, oscillators, g, h);
    for (size_t k = 0; k < 4 && int(g + k) < count; ++k) sum = partial[k] + sum;
  }
  Shift(bands, x);
  return sum;
}

// Rows become columns: four frames' values of four bands become each band's values of the four
// frames.
inline __attribute__((always_inline)) void Transpose(V4& a, V4& b, V4& c, V4& d) noexcept {
  const V4 lo01 = __builtin_shufflevector(a, b, 0, 4, 2, 6),
           hi01 = __builtin_shufflevector(a, b, 1, 5, 3, 7),
           lo23 = __builtin_shufflevector(c, d, 0, 4, 2, 6),
           hi23 = __builtin_shufflevector(c, d, 1, 5, 3, 7);
  a = __builtin_shufflevector(lo01, lo23, 0, 1, 4, 5);
  b = __builtin_shufflevector(hi01, hi23, 0, 1, 4, 5);
  c = __builtin_shufflevector(lo01, lo23, 2, 3, 6, 7);
  d = __builtin_shufflevector(hi01, hi23, 2, 3, 6, 7);
}

// The block form holds a group in the same skew as TGroup but computes fewer products, by three
// identities of the designs that change no result:
// - a band-pass has b1 = 0, so its b1 · x1 adds a zero, and b2 = -b0, so its b2 · x2 is the
//   negated product b0 · x that the stage formed two frames before;
// - the smoothing low-pass has b2 = b0, so its b2 · x2 is likewise that product itself.
// Every input is finite, so the dropped term is a zero and can at most change the sign of a zero
// sum. A signed zero stays zero through products and sums and is rectified or truncated away, so
// every envelope and every output equals the frame-by-frame value.
struct TBlockGroup {
  V4 f1, f2;    // the first stage's last outputs, latest first
  V4 fp1, fp2;  // its b0 times its last inputs
  V4 s1, s2;    // the second stage's outputs
  V4 sp1, sp2;  // its b0 times its last inputs (the first stage's outputs)
  V4 r1;        // the smoothing stage's last input: the second stage's output rectified
  V4 e1, e2;    // the smoothing stage's outputs: the envelopes
  V4 ep1, ep2;  // its b0 times its last inputs
};

// A band-pass stage's next output for input u, its history y1, y2 and products p1, p2.
template <class Stage>
inline __attribute__((always_inline)) void BandPassStep(const Stage& s, size_t g, const V4& u,
                                                        V4& y1, V4& y2, V4& p1, V4& p2) noexcept {
  V4 b0, a1, a2;
  Load(b0, s.b0 + g);
  Load(a1, s.a1 + g);
  Load(a2, s.a2 + g);
  const V4 p = b0 * u;
  const V4 y = p - p2 + a1 * y1 + a2 * y2;
  p2 = p1;
  p1 = p;
  y2 = y1;
  y1 = y;
}

// Loads group g from the banks into registers and forms the products of the inputs before.
template <size_t N>
inline __attribute__((always_inline)) void HoldBlock(const TVCBandBank<N>& bands, size_t g,
                                                     const V4* x, TBlockGroup& h) noexcept {
  V4 b0, r2;
  LoadOutputs(bands, g, h);
  Load(b0, bands.First.b0 + g);
  h.fp1 = b0 * x[1];
  h.fp2 = b0 * x[0];
  Load(b0, bands.Second.b0 + g);
  h.sp1 = b0 * h.f1;
  h.sp2 = b0 * h.f2;
  h.r1 = h.s1;
  r2 = h.s2;
  Rectify(h.r1);
  Rectify(r2);
  Load(b0, bands.Smooth.b0 + g);
  h.ep1 = b0 * h.r1;
  h.ep2 = b0 * r2;
}

template <size_t N>
inline __attribute__((always_inline)) void FirstBlock(const TVCBandBank<N>& bands, size_t g,
                                                      TBlockGroup& h, const V4& x) noexcept {
  BandPassStep(bands.First, g, x, h.f1, h.f2, h.fp1, h.fp2);
}

// The second stage on the first stage's latest output, a frame behind it.
template <size_t N>
inline __attribute__((always_inline)) void SecondBlock(const TVCBandBank<N>& bands, size_t g,
                                                       TBlockGroup& h) noexcept {
  BandPassStep(bands.Second, g, h.f1, h.s1, h.s2, h.sp1, h.sp2);
}

// The smoothing stage on the second stage's latest output rectified: the group's envelopes.
template <size_t N>
inline __attribute__((always_inline)) void SmoothBlock(const TVCBandBank<N>& bands, size_t g,
                                                       TBlockGroup& h, V4& env) noexcept {
  const auto& s = bands.Smooth;
  V4 r = h.s1, b0, b1, a1, a2;
  Rectify(r);
  Load(b0, s.b0 + g);
  Load(b1, s.b1 + g);
  Load(a1, s.a1 + g);
  Load(a2, s.a2 + g);
  const V4 p = b0 * r;
  env = p + b1 * h.r1 + h.ep2 + a1 * h.e1 + a2 * h.e2;
  h.ep2 = h.ep1;
  h.ep1 = p;
  h.r1 = r;
  h.e2 = h.e1;
  h.e1 = env;
}

// A group's envelopes of four frames, rows of bands, and where its oscillators' streams stand.
struct TFrameRows {
  V4 env[4];
  const double* wave[4];
  int bands;  // how many of the group's four lanes are bands
};

// Adds the partials of frames j..j+3 to their sums, band after band: the rows turned into one
// column per band, times four consecutive values of the band's oscillator.
inline __attribute__((always_inline)) void AddPartials(TFrameRows& rows, int j, V4& sum) noexcept {
  Transpose(rows.env[0], rows.env[1], rows.env[2], rows.env[3]);
  V4 s = sum;
  for (int l = 0; l < 4 && l < rows.bands; ++l) {
    V4 wave;
    Load(wave, rows.wave[l] + j);
    // The streams pass through the cache once; fetching ahead keeps the loads from waiting.
    __builtin_prefetch(rows.wave[l] + j + TVCSinStreams::kAhead);
    s = rows.env[l] * wave + s;
  }
  sum = s;
}

// f(0), ..., f(K - 1), each index a constant once inlined, so that arrays indexed by it stay in
// registers.
template <class F, int... k>
inline __attribute__((always_inline)) void EachOf(F& f, std::integer_sequence<int, k...>) noexcept {
  (f(k), ...);
}
template <int K, class F>
inline __attribute__((always_inline)) void Each(F&& f) noexcept {
  EachOf(f, std::make_integer_sequence<int, K>{});
}

// K consecutive groups from g on through frames 0..n-1 of the input history x (x[j + 2] the frame
// j), the stages skewed in the frames between the first two and the last two; the groups'
// partials of frames 4q..4q+3 are added to sum[q], group after group. The groups are
// independent, so each one's chain of dependent operations fills the others' waits; each group's
// arithmetic is the same as when it runs alone.
template <int K, size_t N>
inline __attribute__((always_inline)) void RunGroups(TVCBandBank<N>& bands, TFrameRows* rows,
                                                     size_t g, const V4* x, int n,
                                                     V4* sum) noexcept {
  TBlockGroup h[K];
  Each<K>([&](int k) { HoldBlock(bands, g + 4 * k, x, h[k]); });
  const auto smoothAt = [&](int slot) {
    Each<K>([&](int k) { SmoothBlock(bands, g + 4 * k, h[k], rows[k].env[slot]); });
  };
  const auto second = [&] { Each<K>([&](int k) { SecondBlock(bands, g + 4 * k, h[k]); }); };
  const auto first = [&](int j) {
    Each<K>([&](int k) { FirstBlock(bands, g + 4 * k, h[k], x[j + 2]); });
  };
  const auto add = [&](int j) { Each<K>([&](int k) { AddPartials(rows[k], j, sum[j / 4]); }); };
  int m = 0;  // the frame whose envelopes come next
  const auto smooth = [&] {
    smoothAt(m % 4);
    if (++m % 4 == 0) add(m - 4);
  };
  first(0);
  second();
  if (n > 1) first(1);
  int j = 2;
  // Four frames at a time while they last, their rows in registers.
  for (; j + 4 <= n; j += 4) {
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) {
      smoothAt(k);
      second();
      first(j + k);
    }
    add(j - 2);
  }
  m = j - 2;
  for (; j < n; ++j) {
    smooth();
    second();
    first(j);
  }
  if (n > 1) {
    smooth();
    second();
  }
  smooth();
  // Frames past the last fill its four with silence; their sums are not published.
  if (m % 4 != 0) {
    for (int k = m % 4; k < 4; ++k) Each<K>([&](int i) { rows[i].env[k] = V4{}; });
    add(m / 4 * 4);
  }
  Each<K>([&](int k) { StoreOutputs(bands, g + 4 * k, h[k]); });
}

// MixBands over consecutive frames, a chunk at a time: K groups of bands at a time through the
// whole chunk (the rest one by one), their partials added to the frames' sums in band order, four
// frames in the lanes of a vector; the oscillators read from their streams.
template <int K, size_t N>
inline __attribute__((always_inline)) void MixBandsBlock(TVCBandBank<N>& bands,
                                                         TVCOscBank<N>& oscillators,
                                                         const TVCSinStreams& streams, int count,
                                                         const int32_t* in, int32_t* out,
                                                         int frames) noexcept {
  constexpr int kChunk = TVCSinStreams::kRun;
  // The chunk's input after the two frames before it.
  V4 x[kChunk + 2];
  V4 sum[kChunk / 4];
  int32_t at[N];  // each oscillator's index in its stream
  // The index is found anew only after single frames moved the phase on.
  for (size_t i = 0; i < N; ++i) {
    const int32_t phase = oscillators.Phase[i];
    at[i] = streams.PhaseOf(i, oscillators.At[i]) == phase ? oscillators.At[i]
                                                           : streams.IndexOf(i, phase);
  }
  for (int f0 = 0; f0 < frames; f0 += kChunk) {
    const int n = std::min(kChunk, frames - f0);
    Broadcast(x[0], bands.x2);
    Broadcast(x[1], bands.x1);
    for (int j = 0; j < n; ++j) Broadcast(x[j + 2], in[f0 + j]);
    std::fill(sum, sum + kChunk / 4, V4{});
    TFrameRows rows[K];
    const auto place = [&](size_t g, int groups) {
      for (int k = 0; k < groups; ++k) {
        const size_t first = g + 4 * size_t(k);
        for (size_t l = 0; l < 4; ++l) rows[k].wave[l] = streams.Stream(first + l) + at[first + l];
        rows[k].bands = std::clamp(count - int(first), 0, 4);
      }
    };
    size_t g = 0;
    for (; g + 4 * K <= N; g += 4 * K) {
      place(g, K);
      RunGroups<K>(bands, rows, g, x, n, sum);
    }
    for (; g < N; g += 4) {
      place(g, 1);
      RunGroups<1>(bands, rows, g, x, n, sum);
    }
    bands.x2 = x[n][0];
    bands.x1 = x[n + 1][0];
    for (size_t i = 0; i < N; ++i) {
      at[i] += n;
      if (at[i] >= streams.Cycle(i)) at[i] -= streams.Cycle(i);
    }
    for (int q = 0; 4 * q < n; ++q) {
      I4 whole;
      TruncLanes(whole, sum[q]);
      for (int l = 0; l < 4 && 4 * q + l < n; ++l) out[f0 + 4 * q + l] = whole[l];
    }
  }
  for (size_t i = 0; i < N; ++i) {
    oscillators.At[i] = at[i];
    oscillators.Phase[i] = streams.PhaseOf(i, at[i]);
  }
}

template <size_t N>
using BlockFn = void (*)(TVCBandBank<N>&, TVCOscBank<N>&, const TVCSinStreams&, int, const int32_t*,
                         int32_t*, int) noexcept;

// The block form in each instruction set. Two groups at a time pay where the registers hold both
// (AVX2 a little, AVX-512 with its 32 registers a fifth); with the baseline's 16 registers of two
// doubles each they only spill.
template <size_t N>
void PortableBlock(TVCBandBank<N>& bands, TVCOscBank<N>& oscillators, const TVCSinStreams& streams,
                   int count, const int32_t* in, int32_t* out, int frames) noexcept {
  MixBandsBlock<1>(bands, oscillators, streams, count, in, out, frames);
}
#ifdef QUARVIN_AVX2
template <size_t N>
__attribute__((target("avx2"))) void Avx2Block(TVCBandBank<N>& bands, TVCOscBank<N>& oscillators,
                                               const TVCSinStreams& streams, int count,
                                               const int32_t* in, int32_t* out,
                                               int frames) noexcept {
  MixBandsBlock<2>(bands, oscillators, streams, count, in, out, frames);
}
template <size_t N>
__attribute__((target("arch=x86-64-v4"))) void Avx512Block(TVCBandBank<N>& bands,
                                                           TVCOscBank<N>& oscillators,
                                                           const TVCSinStreams& streams, int count,
                                                           const int32_t* in, int32_t* out,
                                                           int frames) noexcept {
  MixBandsBlock<2>(bands, oscillators, streams, count, in, out, frames);
}
template <size_t N>
BlockFn<N> PickBlock() noexcept {
  __builtin_cpu_init();  // loading may run this before the runtime has read the processor
  if (HasAvx512()) return Avx512Block<N>;
  if (HasAvx2()) return Avx2Block<N>;
  return PortableBlock<N>;
}
#else
template <size_t N>
BlockFn<N> PickBlock() noexcept {
  return PortableBlock<N>;
}
#endif

// Chosen while the program is loaded, never on the audio thread.
template <size_t N>
const BlockFn<N> kBlock = PickBlock<N>();

}  // namespace

double NTVocoder::Mix(double x) noexcept {
  return MixBands(bands_, oscillators_, table_, kBands, x);
}

void NTVocoder::MixBlock(const int32_t* in, int32_t* out, int frames) noexcept {
  kBlock<kLanes>(bands_, oscillators_, streams_, kBands, in, out, frames);
}

void NTVocoder::Compute() noexcept {
  Out.Value = TruncToInt32(Mix(In.Value));
}
