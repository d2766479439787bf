#include <array>
#include <cmath>
#include <cstring>

#include "devices/arith.h"
#include "devices/kernels.h"
#include "devices/lanes.h"
#include "devices/mixer.h"
#include "devices/tables.h"

namespace {
// All products and sums here are whole numbers below 2^53, so doubles hold them exactly and the
// sums keep the 64-bit integer results; the divisions by 10000 are products (PerUnit).
constexpr double kPerGainUnit = PerUnit<kUnityGain>();

// Added to a whole number below 2^51 in magnitude, 1.5 · 2^52 makes the number's low 32 bits the
// low bits of the sum's mantissa.
constexpr double kWrapBias = 6755399441055744.0;

inline int32_t Wrap32Of(double whole) noexcept {
  const double biased = whole + kWrapBias;
  uint64_t bits;
  std::memcpy(&bits, &biased, sizeof bits);
  return int32_t(uint32_t(bits));
}

// The connected channels of one Mixer: their rows and gains, in channel order.
struct Channels {
  std::array<const int32_t*, NTMixer::kChannels> rows;
  std::array<double, NTMixer::kChannels> gains;
};

// Frames from `first` on: the sum of x · gain / 10000 over the first N channels, each truncated as
// ApplyGain does, then times master / 10000, wrapped to 32 bits. The first U channels are at 0 dB,
// the level's default, where x · 10000 / 10000 is x itself. The counts are fixed per build so that
// the channels unroll and the frames fill the lanes.
template <int N, int U>
QUARVIN_LANES void Mix(const Channels& c, double master, int32_t* __restrict out, int first,
                       int frames) noexcept {
  for (int f = first; f < frames; ++f) {
    double sum = 0;
    for (int k = 0; k < U; ++k) sum += double(c.rows[k][f]);
    for (int k = U; k < N; ++k) sum += std::trunc(double(c.rows[k][f]) * c.gains[k] * kPerGainUnit);
    out[f] = Wrap32Of(std::trunc(sum * master * kPerGainUnit));
  }
}

using MixFunction = void (*)(const Channels&, double, int32_t*, int, int) noexcept;
using MixTable =
    std::array<std::array<MixFunction, NTMixer::kChannels + 1>, NTMixer::kChannels + 1>;
static_assert(NTMixer::kChannels == 4);

// By connected channels, then by those among them at 0 dB.
template <template <int, int> class Form>
constexpr MixTable kTable = {
    {{Form<0, 0>::Run},
     {Form<1, 0>::Run, Form<1, 1>::Run},
     {Form<2, 0>::Run, Form<2, 1>::Run, Form<2, 2>::Run},
     {Form<3, 0>::Run, Form<3, 1>::Run, Form<3, 2>::Run, Form<3, 3>::Run},
     {Form<4, 0>::Run, Form<4, 1>::Run, Form<4, 2>::Run, Form<4, 3>::Run, Form<4, 4>::Run}}};

// Every level at 0 dB, the master's too: each term is its input and the master's product is the
// sum itself, so the output is the 64-bit sum wrapped to 32 bits — the sum in wrapping 32-bit
// arithmetic, which needs no conversion to doubles.
template <int N>
void Sum(const Channels& c, int32_t* __restrict out, int first, int frames) noexcept {
  for (int f = first; f < frames; ++f) {
    uint32_t sum = 0;
    for (int k = 0; k < N; ++k) sum += uint32_t(c.rows[size_t(k)][f]);
    out[f] = int32_t(sum);
  }
}

// By connected channels.
using SumTable = std::array<MixFunction, NTMixer::kChannels + 1>;
template <template <int> class Form>
constexpr SumTable kSums = {Form<0>::Run, Form<1>::Run, Form<2>::Run, Form<3>::Run, Form<4>::Run};

// The forms of one instruction set.
struct Forms {
  const MixTable& mixes;
  const SumTable& sums;
};

template <int N>
struct PortableSum {
  static void Run(const Channels& c, double, int32_t* out, int first, int frames) noexcept {
    Sum<N>(c, out, first, frames);
  }
};

template <int N, int U>
struct Portable {
  static void Run(const Channels& c, double master, int32_t* out, int first, int frames) noexcept {
    Mix<N, U>(c, master, out, first, frames);
  }
};

constexpr Forms kPortableForms{kTable<Portable>, kSums<PortableSum>};

// The forms of every instruction set this processor runs, the fastest first.
struct FormSets {
  std::array<const Forms*, 3> sets;
  int count;
};

#ifdef QUARVIN_AVX2
// The same arithmetic, four frames to a vector in the processor's own instructions: the compiler
// packed each frame's low 32 bits with five shuffles per eight frames, these take two.
template <int N, int U>
struct Avx2 {
  // Channel k's term for frames f..f+3.
  __attribute__((target("avx2"), always_inline)) static inline __m256d Term(const Channels& c,
                                                                            int k, int f) noexcept {
    const __m256d x = _mm256_cvtepi32_pd(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.rows[size_t(k)] + f)));
    if (k < U) return x;
    const __m256d scaled = _mm256_mul_pd(_mm256_mul_pd(x, _mm256_set1_pd(c.gains[size_t(k)])),
                                         _mm256_set1_pd(kPerGainUnit));
    return _mm256_round_pd(scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  }
  // Frames f..f+3, biased so that their low mantissa bits are the outputs.
  __attribute__((target("avx2"), always_inline)) static inline __m256d Biased(const Channels& c,
                                                                              double master,
                                                                              int f) noexcept {
    __m256d sum = Term(c, 0, f);
#pragma GCC unroll 4
    for (int k = 1; k < N; ++k) sum = _mm256_add_pd(sum, Term(c, k, f));
    const __m256d scaled =
        _mm256_mul_pd(_mm256_mul_pd(sum, _mm256_set1_pd(master)), _mm256_set1_pd(kPerGainUnit));
    return _mm256_add_pd(_mm256_round_pd(scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC),
                         _mm256_set1_pd(kWrapBias));
  }
  __attribute__((target("avx2"))) static void Run(const Channels& c, double master, int32_t* out,
                                                  int first, int frames) noexcept {
    int f = first;
    if constexpr (N > 0)
      for (; f + 8 <= frames; f += 8) {
        const __m256 low = _mm256_shuffle_ps(_mm256_castpd_ps(Biased(c, master, f)),
                                             _mm256_castpd_ps(Biased(c, master, f + 4)), 0x88);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + f),
            _mm256_castpd_si256(_mm256_permute4x64_pd(_mm256_castps_pd(low), 0xD8)));
      }
    Mix<N, U>(c, master, out, f, frames);
  }
};

// Eight frames to a vector.
template <int N>
struct Avx2Sum {
  __attribute__((target("avx2"))) static void Run(const Channels& c, double, int32_t* out,
                                                  int first, int frames) noexcept {
    const Channels rows = c;  // not to be loaded again after every store
    int f = first;
    if constexpr (N > 0)
      for (; f + 8 <= frames; f += 8) {
        __m256i sum = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows.rows[0] + f));
#pragma GCC unroll 4
        for (size_t k = 1; k < N; ++k)
          sum = _mm256_add_epi32(
              sum, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows.rows[k] + f)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + f), sum);
      }
    Sum<N>(c, out, f, frames);
  }
};

// Eight frames to a vector of 512 bits. The terms at 0 dB are added as 64-bit integers, exact,
// and converted once: whole numbers below 2^53 in any order give the same sum. The biased lanes'
// low halves are packed by one instruction.
template <int N, int U>
struct Avx512 {
  // Every lane: the unmasked intrinsics leave a lane source undefined, which GCC 12 reports as
  // read uninitialised; with all lanes selected the instructions are the same.
  static constexpr __mmask8 kAll = 0xFF;
  __attribute__((target("arch=x86-64-v4"), always_inline)) static inline __m512i Row(
      const Channels& c, int k, int f) noexcept {
    return _mm512_maskz_cvtepi32_epi64(
        kAll, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c.rows[size_t(k)] + f)));
  }
  __attribute__((target("arch=x86-64-v4"), always_inline)) static inline __m512d Term(
      const Channels& c, int k, int f) noexcept {
    const __m512d x = _mm512_maskz_cvtepi32_pd(
        kAll, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c.rows[size_t(k)] + f)));
    const __m512d scaled = _mm512_mul_pd(_mm512_mul_pd(x, _mm512_set1_pd(c.gains[size_t(k)])),
                                         _mm512_set1_pd(kPerGainUnit));
    return _mm512_maskz_roundscale_pd(kAll, scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  }
  __attribute__((target("arch=x86-64-v4"), always_inline)) static inline __m256i Frames(
      const Channels& c, double master, int f) noexcept {
    __m512d sum;
    if constexpr (U > 0) {
      __m512i whole = Row(c, 0, f);
#pragma GCC unroll 4
      for (int k = 1; k < U; ++k) whole = _mm512_add_epi64(whole, Row(c, k, f));
      sum = _mm512_maskz_cvtepi64_pd(kAll, whole);
    } else {
      sum = Term(c, 0, f);
    }
#pragma GCC unroll 4
    for (int k = U > 0 ? U : 1; k < N; ++k) sum = _mm512_add_pd(sum, Term(c, k, f));
    const __m512d scaled =
        _mm512_mul_pd(_mm512_mul_pd(sum, _mm512_set1_pd(master)), _mm512_set1_pd(kPerGainUnit));
    const __m512d biased = _mm512_add_pd(
        _mm512_maskz_roundscale_pd(kAll, scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC),
        _mm512_set1_pd(kWrapBias));
    return _mm512_maskz_cvtepi64_epi32(kAll, _mm512_castpd_si512(biased));
  }
  __attribute__((target("arch=x86-64-v4"))) static void Run(const Channels& c, double master,
                                                            int32_t* out, int first,
                                                            int frames) noexcept {
    const Channels rows = c;  // not to be loaded again after every store
    int f = first;
    if constexpr (N > 0)
      for (; f + 8 <= frames; f += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + f), Frames(rows, master, f));
    Mix<N, U>(c, master, out, f, frames);
  }
};

constexpr Forms kAvx2Forms{kTable<Avx2>, kSums<Avx2Sum>};
constexpr Forms kAvx512Forms{kTable<Avx512>, kSums<Avx2Sum>};

FormSets Usable() noexcept {
  __builtin_cpu_init();  // loading may run this before the runtime has read the processor
  FormSets s{};
  if (HasAvx512()) s.sets[size_t(s.count++)] = &kAvx512Forms;
  if (HasAvx2()) s.sets[size_t(s.count++)] = &kAvx2Forms;
  s.sets[size_t(s.count++)] = &kPortableForms;
  return s;
}
#else
FormSets Usable() noexcept {
  return {{&kPortableForms}, 1};
}
#endif

// Found while the program is loaded, never on the audio thread.
const FormSets kUsable = Usable();

// The connected channels, those at 0 dB first, and the form that adds them. An unconnected
// channel would add ApplyGain(0) = 0: leaving it out changes nothing. Every term is a whole number
// and so is every sum (below 2^53), so the channels may be added in any order.
template <class RowOf>
MixFunction Gather(const NTMixer& m, const Forms& forms, RowOf rowOf, Channels& c,
                   double& master) noexcept {
  const TTables& t = Tables();
  std::array<int32_t, NTMixer::kChannels> gains;
  for (size_t k = 0; k < gains.size(); ++k) gains[k] = LevelGain(t, m.Level[k].Value);
  int n = 0, unity = 0;
  for (bool atUnity : {true, false})
    for (size_t k = 0; k < gains.size(); ++k)
      if (const int32_t* row = rowOf(k); row && (gains[k] == kUnityGain) == atUnity) {
        c.rows[size_t(n)] = row;
        c.gains[size_t(n++)] = gains[k];
        unity += atUnity;
      }
  const int32_t masterGain = LevelGain(t, m.Master.Value);
  master = masterGain;
  return masterGain == kUnityGain && unity == n ? forms.sums[size_t(n)]
                                                : forms.mixes[size_t(n)][size_t(unity)];
}

}  // namespace

// One frame of the portable forms: the block forms, packed by hand, are held to it.
void NTMixer::Compute() noexcept {
  std::array<int32_t, kChannels> x;
  for (size_t k = 0; k < x.size(); ++k) x[k] = In[k].Value;
  Channels c{};
  double master;
  const MixFunction mix = Gather(
      *this, kPortableForms,
      [&](size_t k) -> const int32_t* { return In[k].Source ? &x[k] : nullptr; }, c, master);
  int32_t out;
  mix(c, master, &out, 0, 1);
  Out.Value = out;
}

int NTMixer::InstructionSets() noexcept {
  return kUsable.count;
}

void NTMixer::Block(const TSubBlock& b, const TPorts& ports, int set) noexcept {
  Channels c{};
  double master;
  const MixFunction mix = Gather(
      *this, *kUsable.sets[size_t(set)],
      [&](size_t k) -> const int32_t* {
        const int32_t slot = ports.In[kFirstIn + k];
        return slot ? b.Row(slot) : nullptr;
      },
      c, master);
  mix(c, master, b.Publish(ports.Out[kOut]), 0, b.Frames);
}
