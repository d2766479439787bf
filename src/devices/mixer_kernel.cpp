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

// The low 32 bits of a whole number below 2^51 in magnitude: added to 1.5 · 2^52 it becomes the
// low bits of the sum's mantissa.
inline int32_t Wrap32Of(double whole) noexcept {
  const double biased = whole + 6755399441055744.0;
  uint64_t bits;
  std::memcpy(&bits, &biased, sizeof bits);
  return int32_t(uint32_t(bits));
}

// The connected channels of one Mixer: their rows and gains, in channel order.
struct Channels {
  std::array<const int32_t*, NTMixer::kChannels> rows;
  std::array<double, NTMixer::kChannels> gains;
};

// Every frame: the sum of x · gain / 10000 over the first N channels, each truncated as ApplyGain
// does, then times master / 10000, wrapped to 32 bits. The first U channels are at 0 dB, the
// level's default, where x · 10000 / 10000 is x itself. The counts are fixed per build so that
// the channels unroll and the frames fill the lanes.
template <int N, int U>
QUARVIN_LANES void Mix(const Channels& c, double master, int32_t* __restrict out,
                       int frames) noexcept {
  for (int f = 0; f < frames; ++f) {
    double sum = 0;
    for (int k = 0; k < U; ++k) sum += double(c.rows[k][f]);
    for (int k = U; k < N; ++k) sum += std::trunc(double(c.rows[k][f]) * c.gains[k] * kPerGainUnit);
    out[f] = Wrap32Of(std::trunc(sum * master * kPerGainUnit));
  }
}

using MixFunction = void (*)(const Channels&, double, int32_t*, int) noexcept;
// By connected channels, then by those among them at 0 dB.
constexpr std::array<std::array<MixFunction, NTMixer::kChannels + 1>, NTMixer::kChannels + 1>
    kMixers = {{{Mix<0, 0>},
                {Mix<1, 0>, Mix<1, 1>},
                {Mix<2, 0>, Mix<2, 1>, Mix<2, 2>},
                {Mix<3, 0>, Mix<3, 1>, Mix<3, 2>, Mix<3, 3>},
                {Mix<4, 0>, Mix<4, 1>, Mix<4, 2>, Mix<4, 3>, Mix<4, 4>}}};
static_assert(NTMixer::kChannels == 4);
}  // namespace

void NTMixer::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const TTables& t = Tables();
  // An unconnected channel would add ApplyGain(0) = 0: leaving it out changes nothing. Every term
  // is a whole number and so is every sum (below 2^53), so the channels may be added in any
  // order: those at 0 dB come first.
  std::array<int32_t, kChannels> gains;
  for (int k = 0; k < kChannels; ++k) gains[size_t(k)] = LevelGain(t, Level[size_t(k)].Value);
  Channels c{};
  int n = 0, unity = 0;
  for (bool atUnity : {true, false})
    for (int k = 0; k < kChannels; ++k)
      if (const int32_t slot = ports.In[size_t(k)];
          slot && (gains[size_t(k)] == kUnityGain) == atUnity) {
        c.rows[size_t(n)] = b.Row(slot);
        c.gains[size_t(n++)] = gains[size_t(k)];
        unity += atUnity;
      }
  kMixers[size_t(n)][size_t(unity)](c, LevelGain(t, Master.Value), b.Publish(ports.Out[0]),
                                    b.Frames);
}
