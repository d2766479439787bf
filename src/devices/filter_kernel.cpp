#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "devices/filter.h"
#include "devices/kernels.h"
#include "devices/lanes.h"

namespace {
constexpr int kFrames = THistories::kFrames;

// Groups whose recurrences run interleaved: one group's chain of a multiply and two adds per
// frame is long, so the other groups' chains fill the gaps.
constexpr int kChunk = 3;

using I8 = int32_t __attribute__((vector_size(32)));

// Where frame i of a block of eight keeps its four lanes: the order that Transpose undoes.
constexpr int Slot(int i) noexcept {
  return (i & ~7) | (i & 3) << 1 | (i >> 2 & 1);
}

// Eight frames of four lanes, kept in Slot order two frames to a vector, turned into the four
// lanes' eight frames: a four by four transpose in each half of the vectors.
inline __attribute__((always_inline)) void Transpose(I8& r0, I8& r1, I8& r2, I8& r3) noexcept {
  const I8 t0 = __builtin_shufflevector(r0, r1, 0, 8, 1, 9, 4, 12, 5, 13);
  const I8 t1 = __builtin_shufflevector(r0, r1, 2, 10, 3, 11, 6, 14, 7, 15);
  const I8 t2 = __builtin_shufflevector(r2, r3, 0, 8, 1, 9, 4, 12, 5, 13);
  const I8 t3 = __builtin_shufflevector(r2, r3, 2, 10, 3, 11, 6, 14, 7, 15);
  r0 = __builtin_shufflevector(t0, t2, 0, 1, 8, 9, 4, 5, 12, 13);
  r1 = __builtin_shufflevector(t0, t2, 2, 3, 10, 11, 6, 7, 14, 15);
  r2 = __builtin_shufflevector(t1, t3, 0, 1, 8, 9, 4, 5, 12, 13);
  r3 = __builtin_shufflevector(t1, t3, 2, 3, 10, 11, 6, 7, 14, 15);
}

// How a lane's sum becomes its output: TruncLanes, or on AVX2 the processor's own truncation,
// which gives INT32_MIN for NaN and for sums out of range alike. Such a truncation is Checked: a
// chunk whose rows show INT32_MIN anywhere runs again from its first frame with TruncLanes, so the
// test costs a minimum per vector of a row, not a test and a branch per frame.
struct TPortableTrunc {
  static constexpr bool kChecked = false;
  static void Trunc(I4& out, const V4& v) noexcept { TruncLanes(out, v); }
};
#ifdef QUARVIN_AVX2
struct TAvx2Trunc {
  static constexpr bool kChecked = true;
  __attribute__((target("avx2"))) static void Trunc(I4& out, const V4& v) noexcept {
    out = I4(_mm256_cvttpd_epi32(__m256d(v)));
  }
};
#endif
// Filters side by side, four to a vector; each lane runs its filter's own difference equation in
// its order, so a lane's values are the device's. Filters on the same source share a group where
// they can: each source row is converted to doubles once, and such a group's input is one value
// for all lanes. A few groups run their recurrences together with their state in registers; the
// outputs, interleaved frame by frame, are spread into their rows last.
class TFilterBatch final : public TBatch {
 public:
  TFilterBatch(std::span<NTDevWin* const> devices, std::span<const TPorts> ports) {
    std::vector<size_t> order(devices.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const auto source = [&](size_t d) { return ports[d].In[NTFilter::kIn]; };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return source(a) < source(b); });
    groups_.resize((devices.size() + 3) / 4);
    for (size_t i = 0; i < order.size(); ++i) {
      const int32_t in = source(order[i]);
      if (sources_.empty() || sources_.back() != in) sources_.push_back(in);
      groups_[i / 4].lane[i % 4] = {static_cast<NTFilter*>(devices[order[i]]),
                                    int32_t(sources_.size() - 1),
                                    ports[order[i]].Out[NTFilter::kOut]};
    }
    for (Group& g : groups_) g.ShareSource();
    uniform_ = size_t(std::stable_partition(groups_.begin(), groups_.end(),
                                            [](const Group& g) { return g.uniform; }) -
                      groups_.begin());
    converted_.resize(sources_.size() * kFrames);
  }

  void Run(const TSubBlock& b) noexcept override {
    for (size_t r = 0; r < sources_.size(); ++r)
      Convert(b.Row(sources_[r]), b.Frames, converted_.data() + r * kFrames);
    for (Group& g : groups_) g.Load(b, converted_.data(), spare_);
    RunChunks(b.Frames);
    for (Group& g : groups_) g.Store();
  }

 private:
  struct Lane {
    NTFilter* device = nullptr;  // null: a spare lane, silent
    int32_t source = 0;          // index into sources_
    int32_t out = 0;
  };
  // The lanes' last two inputs and outputs.
  struct History {
    alignas(32) double x1[4]{}, x2[4]{}, y1[4]{}, y2[4]{};
  };
  struct Group {
    alignas(32) double b0[4]{}, b1[4]{}, b2[4]{}, a1[4]{}, a2[4]{};
    History h;
    const double* in[4]{};
    int32_t* out[4]{};
    Lane lane[4];
    bool uniform = false;  // every lane reads one source
    bool b1Zero = false;   // every lane's b1 is 0 (band-passes), as of Load

    // Spare lanes read the first lane's source, which makes a group of one source uniform.
    void ShareSource() noexcept {
      uniform = true;
      for (Lane& l : lane)
        if (!l.device)
          l.source = lane[0].source;
        else if (l.source != lane[0].source)
          uniform = false;
    }
    void Load(const TSubBlock& b, const double* converted, int32_t* spare) noexcept {
      b1Zero = true;
      for (int k = 0; k < 4; ++k) {
        NTFilter* d = lane[k].device;
        in[k] = converted + size_t(lane[k].source) * kFrames;
        out[k] = d ? b.Publish(lane[k].out) : spare;
        if (!d) continue;
        const TBiquad& c = d->Coefficients();
        b0[k] = c.b0, b1[k] = c.b1, b2[k] = c.b2, a1[k] = c.a1, a2[k] = c.a2;
        b1Zero = b1Zero && c.b1 == 0;
        const TBiquadHistory& h = d->History;
        this->h.x1[k] = h.x1, this->h.x2[k] = h.x2, this->h.y1[k] = h.y1, this->h.y2[k] = h.y2;
      }
    }
    void Store() const noexcept {
      for (int k = 0; k < 4; ++k)
        if (NTFilter* d = lane[k].device) d->History = {h.x1[k], h.x2[k], h.y1[k], h.y2[k]};
    }
  };
  // A chunk's outputs of one sub-block, a frame's four lanes side by side.
  struct Scratch {
    alignas(16) int32_t y[kChunk][kFrames][4];
  };

  // Four frames to a vector: the rows and the converted frames have room for a sub-block rounded
  // up to whole vectors.
  QUARVIN_LANES static void Convert(const int32_t* row, int frames, double* out) noexcept {
    for (int f = 0; f < frames; f += 4) {
      I4 x;
      std::memcpy(&x, row + f, sizeof x);
      const V4 v = __builtin_convertvector(x, V4);
      Store(out + f, v);
    }
  }

  // A chunk's forms, by whether each group reads one source and whether every b1 is 0. Each is a
  // function of its own: in one function together, they made the compiler spill in the others.
  using ChunkFn = void (*)(Group*, int, int, Scratch&) noexcept;
  using ChunkFns = std::array<std::array<ChunkFn, 2>, 2>;

  // Every helper below is inlined into these, so the AVX2 forms compile them all for AVX2.
  template <bool Uniform, bool B1Zero>
  __attribute__((flatten)) static void PortableChunk(Group* g, int n, int frames,
                                                     Scratch& s) noexcept {
    Chunk<TPortableTrunc, Uniform, B1Zero>(g, n, frames, s);
  }
#ifdef QUARVIN_AVX2
  template <bool Uniform, bool B1Zero>
  __attribute__((target("avx2"), flatten)) static void Avx2Chunk(Group* g, int n, int frames,
                                                                 Scratch& s) noexcept {
    Chunk<TAvx2Trunc, Uniform, B1Zero>(g, n, frames, s);
  }
#endif
  static ChunkFns PickChunks() noexcept {
#ifdef QUARVIN_AVX2
    if (HasAvx2())
      return {{{Avx2Chunk<false, false>, Avx2Chunk<false, true>},
               {Avx2Chunk<true, false>, Avx2Chunk<true, true>}}};
#endif
    return {{{PortableChunk<false, false>, PortableChunk<false, true>},
             {PortableChunk<true, false>, PortableChunk<true, true>}}};
  }

  // Chunks of kChunk groups, of uniform ones and of the rest apart; a chunk whose groups all have
  // b1 at 0 runs the shorter sum.
  void RunChunks(int frames) noexcept {
    for (size_t i = 0; i < groups_.size();) {
      const size_t end = i < uniform_ ? uniform_ : groups_.size();
      const int n = int(std::min<size_t>(kChunk, end - i));
      Group* g = groups_.data() + i;
      const bool b1Zero = std::all_of(g, g + n, [](const Group& x) { return x.b1Zero; });
      chunks_[i < uniform_][b1Zero](g, n, frames, scratch_);
      i += size_t(n);
    }
  }

  template <class T, bool Uniform, bool B1Zero>
  static inline __attribute__((always_inline)) void Chunk(Group* g, int n, int frames,
                                                          Scratch& s) noexcept {
    History start[kChunk];
    if constexpr (T::kChecked)
      for (int j = 0; j < n; ++j) start[j] = g[j].h;
    Recurrences<T, Uniform, B1Zero>(g, n, frames, s);
    int32_t least = INT32_MAX;
    for (int j = 0; j < n; ++j) least = std::min(least, Scatter(g[j], frames, s.y[j]));
    if constexpr (T::kChecked)
      if (__builtin_expect(least == INT32_MIN, 0)) {
        for (int j = 0; j < n; ++j) g[j].h = start[j];
        Recurrences<TPortableTrunc, Uniform, B1Zero>(g, n, frames, s);
        for (int j = 0; j < n; ++j) Scatter(g[j], frames, s.y[j]);
      }
  }

  template <class T, bool Uniform, bool B1Zero>
  static inline __attribute__((always_inline)) void Recurrences(Group* g, int n, int frames,
                                                                Scratch& s) noexcept {
    static_assert(kChunk == 3, "a chunk of fewer groups runs as two or as one");
    switch (n) {
      case 3:
        Recur<T, 3, Uniform, B1Zero>(g, frames, s);
        break;
      case 2:
        Recur<T, 2, Uniform, B1Zero>(g, frames, s);
        break;
      default:
        Recur<T, 1, Uniform, B1Zero>(g, frames, s);
        break;
    }
  }

  template <class T, int N, bool Uniform, bool B1Zero>
  static inline __attribute__((always_inline)) void Recur(Group* g, int frames,
                                                          Scratch& s) noexcept {
    const double* in[N][4];
    int32_t(*out[N])[4];
    V4 x1[N], x2[N], y1[N], y2[N];
    for (int j = 0; j < N; ++j) {
      for (int k = 0; k < 4; ++k) in[j][k] = g[j].in[k];
      out[j] = s.y[j];
      const History& h = g[j].h;
      Load(x1[j], h.x1), Load(x2[j], h.x2), Load(y1[j], h.y1), Load(y2[j], h.y2);
    }
    const auto step = [&](int f) __attribute__((always_inline)) {
#pragma GCC unroll 4
      for (int j = 0; j < N; ++j) {
        V4 x;
        if constexpr (Uniform) {
          const double v = in[j][0][f];
          x = V4{v, v, v, v};
        } else {
          x = V4{in[j][0][f], in[j][1][f], in[j][2][f], in[j][3][f]};
        }
        V4 b0, b1, b2, a1, a2;
        Load(b0, g[j].b0), Load(b1, g[j].b1), Load(b2, g[j].b2);
        Load(a1, g[j].a1), Load(a2, g[j].a2);
        V4 y;
        if constexpr (B1Zero)
          BiquadSumB1Zero(y, b0, b2, a1, a2, x, x2[j], y1[j], y2[j]);
        else
          BiquadSum(y, b0, b1, b2, a1, a2, x, x1[j], x2[j], y1[j], y2[j]);
        x2[j] = x1[j], x1[j] = x, y2[j] = y1[j], y1[j] = y;
        I4 o;
        T::Trunc(o, y);
        std::memcpy(out[j][Slot(f)], &o, sizeof o);
      }
    };
    int f = 0;
    for (; f + 8 <= frames; f += 8) {
#pragma GCC unroll 8
      for (int i = 0; i < 8; ++i) step(f + i);
    }
    for (; f < frames; ++f) step(f);
    for (int j = 0; j < N; ++j) {
      History& h = g[j].h;
      Store(h.x1, x1[j]), Store(h.x2, x2[j]), Store(h.y1, y1[j]), Store(h.y2, y2[j]);
    }
  }

  // Spreads the outputs into the rows; only the sub-block's frames are published. Returns the
  // least of them.
  static inline __attribute__((always_inline)) int32_t Scatter(const Group& g, int frames,
                                                               const int32_t (*y)[4]) noexcept {
    int32_t* const out0 = g.out[0];
    int32_t* const out1 = g.out[1];
    int32_t* const out2 = g.out[2];
    int32_t* const out3 = g.out[3];
    I8 least = I8{} + INT32_MAX;
    int f = 0;
    for (; f + 8 <= frames; f += 8) {
      I8 r0, r1, r2, r3;
      std::memcpy(&r0, y[f], sizeof r0), std::memcpy(&r1, y[f + 2], sizeof r1);
      std::memcpy(&r2, y[f + 4], sizeof r2), std::memcpy(&r3, y[f + 6], sizeof r3);
      least = least < r0 ? least : r0, least = least < r1 ? least : r1;
      least = least < r2 ? least : r2, least = least < r3 ? least : r3;
      Transpose(r0, r1, r2, r3);
      std::memcpy(out0 + f, &r0, sizeof r0), std::memcpy(out1 + f, &r1, sizeof r1);
      std::memcpy(out2 + f, &r2, sizeof r2), std::memcpy(out3 + f, &r3, sizeof r3);
    }
    int32_t m = INT32_MAX;
    for (int k = 0; k < 8; ++k) m = std::min(m, least[k]);
    for (; f < frames; ++f) {
      const int32_t* v = y[Slot(f)];
      out0[f] = v[0], out1[f] = v[1], out2[f] = v[2], out3[f] = v[3];
      m = std::min({m, v[0], v[1], v[2], v[3]});
    }
    return m;
  }

  std::vector<int32_t> sources_;   // the distinct input rows
  std::vector<double> converted_;  // each source's frames as doubles
  std::vector<Group> groups_;      // the uniform ones first
  size_t uniform_ = 0;
  Scratch scratch_;
  ChunkFns chunks_ = PickChunks();
  int32_t spare_[kFrames];
};

}  // namespace

const TKernel& FilterKernel() {
  static const TKernel k{.Make = MakeBatch<TFilterBatch>};
  return k;
}
