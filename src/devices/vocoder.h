#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "devices/vocoder_bands.h"
#include "engine/devwin.h"
#include "engine/plug.h"

// 49 bands, eight per octave from 110 Hz, follow the input's spectrum; 49 sines at 1.26 times
// the band frequencies, each scaled by its band's envelope, resynthesise it about four semitones
// higher. No controls.
class NTVocoder : public NTDevWin {
 public:
  static constexpr int kBands = 49;

  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kIn = 0, kOut = 0 };

  NTVocoder(TCanvas* canvas, NTWin* parent);

  void Latch() noexcept override;
  void Compute() noexcept override;

  // One frame: analysis of x and the sum of the 49 partials in band order (audio thread).
  double Mix(double x) noexcept;
  // Mix over frames: out[f] is what Compute publishes for the latched input in[f].
  void MixBlock(const int32_t* in, int32_t* out, int frames) noexcept;

  // Band i's centre frequency in Hz; its oscillator runs at 1.26 times it.
  static double BandFrequency(int i) noexcept;
  static constexpr double kShift = 1.26;

  double Envelope(int i) const noexcept { return bands_.Envelope[i]; }
  int32_t OscillatorStep(int i) const noexcept { return oscillators_.Step[i]; }

  NTPlugIn In;
  NTPlugOut Out;

 private:
  static constexpr size_t kLanes = 52;  // kBands rounded up to whole vectors of four doubles
  static std::array<int32_t, kLanes> LaneSteps() noexcept;
  static const TVCSinStreams& Streams();

  const TVCSinTab& table_;
  const TVCSinStreams& streams_;
  TVCBandBank<kLanes> bands_;
  TVCOscBank<kLanes> oscillators_;
};
