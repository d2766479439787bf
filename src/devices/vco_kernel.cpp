#include <algorithm>

#include "devices/kernels.h"
#include "devices/lanes.h"
#include "devices/vco.h"

namespace {
using Osc = NTVCO::Oscillator;

// An unmodulated VCO: gain and step stay as the controls set them, so frame f reads the table
// at the start phase plus f steps. Table values (at most kWaveAmplitude in magnitude) times gains
// (at most 31622) stay inside 32 bits. At 0 dB, the level's default, the gain is 10000 and x *
// 10000 / 10000 is x itself, so the arithmetic is left out.
QUARVIN_LANES void Scale(int32_t gain, int32_t* __restrict out, int frames) noexcept {
  for (int f = 0; f < frames; ++f) out[f] = out[f] * gain / kUnityGain;
}

void Steady(const int32_t* table, uint32_t phase, uint32_t step, int32_t gain, int32_t* out,
            int frames) noexcept {
  Osc::ReadSteady(table, phase, step, out, frames);
  if (gain != kUnityGain) Scale(gain, out, frames);
}

// A VCO with AM but no FM whose AM is not its own output: the step stays, so frame f reads the
// table at the start phase plus f steps as in Steady, and each frame's gain is NTVCO::GainFor's,
// read from the table directly. Sample times gain stays inside 32 bits.
QUARVIN_LANES void AmGains(const int32_t* __restrict gains, const int32_t* __restrict am,
                           int32_t level, int32_t* __restrict out, int frames) noexcept {
  const int32_t from = NTVCO::ReachableLevel(level);
  for (int f = 0; f < frames; ++f) {
    const int32_t gain = gains[std::clamp(NTVCO::AmDepth(am[f]) + from, 0, kLevelMax)];
    out[f] = out[f] * gain / kUnityGain;
  }
}

void AmOnly(const int32_t* table, const int32_t* gains, uint32_t phase, uint32_t step,
            const int32_t* am, int32_t level, int32_t* out, int frames) noexcept {
  Osc::ReadSteady(table, phase, step, out, frames);
  AmGains(gains, am, level, out, frames);
}

// A modulated VCO, frame by frame as Compute runs it; without AM its gain is the level's
// throughout. Moves phase on and returns the last step. The modulation may be the VCO's own output
// of the frame before, published in the iteration before.
template <bool WithAm>
inline int32_t Modulated(const int32_t* table, uint32_t& phase, int32_t step, const int32_t* fm,
                         const int32_t* am, int32_t level, int32_t freq, int32_t* out,
                         int frames) noexcept {
  const int32_t gain = NTVCO::GainFor(0, level);
  for (int f = 0; f < frames; ++f) {
    const int32_t s = table[Osc::Index(phase)];
    out[f] = int32_t(ApplyGain(s, WithAm ? NTVCO::GainFor(am[f], level) : gain));
    step = NTVCO::StepFor(fm[f], freq);
    phase += uint32_t(step);
  }
  return step;
}

}  // namespace

void NTVCO::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const int32_t fm = ports.In[kFmIn], am = ports.In[kAmIn], own = ports.Out[kOut];
  const int32_t* table = Osc.Table.Get();
  const int32_t level = Level.Value, freq = Freq.Value;
  int32_t* out = b.Publish(own);
  uint32_t phase = uint32_t(Osc.Phase.Get());
  int32_t step;
  if (!fm && !am) {
    step = StepFor(0, freq);
    Steady(table, phase, uint32_t(step), GainFor(0, level), out, b.Frames);
    phase += uint32_t(b.Frames) * uint32_t(step);
  } else if (!fm && am != own) {
    step = StepFor(0, freq);
    AmOnly(table, Tables().VolLog.Data(), phase, uint32_t(step), b.Row(am), level, out, b.Frames);
    phase += uint32_t(b.Frames) * uint32_t(step);
  } else if (am) {
    step = Modulated<true>(table, phase, Osc.Increment, b.Row(fm), b.Row(am), level, freq, out,
                           b.Frames);
  } else {
    step = Modulated<false>(table, phase, Osc.Increment, b.Row(fm), nullptr, level, freq, out,
                            b.Frames);
  }
  Osc.Phase = int32_t(phase);
  Osc.Increment = step;
}

const TKernel& VcoKernel() {
  // A modulated VCO reads each frame's modulation after publishing the frame before.
  static const TKernel k{.Make = MakeBatch<TBlockBatch<NTVCO>>, .Sequential = true};
  return k;
}
