#pragma once
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "devices/biquad.h"
#include "platform/sample_rate.h"

// The Vocoder's building blocks: the shared sine table, its filters and oscillators one by one,
// and the same as structure-of-arrays banks that the device runs. Knows nothing of windows, so it
// can be exercised on its own.

// One sine period in kSampleRate steps: a phase step of k gives exactly k Hz. One table serves
// every vocoder; it is built on first use and only read afterwards.
class TVCSinTab {
 public:
  static constexpr int32_t kSize = kSampleRate;
  static const TVCSinTab& Instance();
  double operator[](int32_t i) const noexcept { return table_[i]; }
  const double* Data() const noexcept { return table_.data(); }

 private:
  TVCSinTab();
  std::array<double, kSize> table_;
};

// The table as each oscillator reads it, for runs of frames: entry k of oscillator i's stream is
// the table's value at the phase its step reaches after k steps from 0. An oscillator's run of
// frames then reads consecutive doubles instead of scattered ones. A stream holds a whole number
// of the oscillator's periods, at least kRun entries, and kTail more, so that any run of up to
// kRun frames from any index, rounded up to whole vectors of four, reads inside it, and looks
// kAhead entries further for the cache.
class TVCSinStreams {
 public:
  static constexpr int32_t kRun = 128, kAhead = 64, kTail = kRun + kAhead;

  TVCSinStreams(const TVCSinTab& tab, std::span<const int32_t> steps);

  const double* Stream(size_t i) const noexcept { return data_.data() + lanes_[i].start; }
  // The length after which oscillator i's stream repeats.
  int32_t Cycle(size_t i) const noexcept { return lanes_[i].cycle; }
  // The index k in oscillator i's stream of a phase it reaches, and back.
  int32_t IndexOf(size_t i, int32_t phase) const noexcept;
  int32_t PhaseOf(size_t i, int32_t k) const noexcept {
    return int32_t(int64_t(k) * lanes_[i].step % TVCSinTab::kSize);
  }

 private:
  struct Lane {
    size_t start;
    int32_t step, gcd, period, inverse, cycle;
  };
  std::vector<double> data_;
  std::vector<Lane> lanes_;
};

// A biquad with fixed coefficients, designed at construction.
class NTVCFilter {
 public:
  double Process(double x) noexcept {
    Y = History.Step(Coefs, x);
    return Y;
  }

  TBiquad Coefs;
  TBiquadHistory History;
  double Frequency, Q;
  double Y = 0;  // the latest output

 protected:
  NTVCFilter(double frequency, double q, const TBiquad& coefs)
      : Coefs(coefs), Frequency(frequency), Q(q) {}
};

class NTVCBP : public NTVCFilter {
 public:
  NTVCBP(double frequency, double q);
};

class NTVCLP : public NTVCFilter {
 public:
  NTVCLP(double frequency, double q);
};

// One analysis band: two band-passes in series, a rectifier and a smoothing low-pass whose output
// is the band's envelope. The vocoder runs all its bands at once in a TVCBandBank; this per-band
// form states the arithmetic that the bank reproduces bit for bit.
class NTVCInBand2 {
 public:
  explicit NTVCInBand2(double frequency);
  double Process(double x) noexcept {
    Envelope = Smooth.Process(std::abs(Second.Process(First.Process(x))));
    return Envelope;
  }

  NTVCBP First, Second;
  NTVCLP Smooth;
  double Frequency;
  double Envelope = 0;
};

// A sine oscillator at a whole number of hertz, stepping through the shared table.
class NTVCSinGen {
 public:
  explicit NTVCSinGen(double frequency = 0);
  double Next(const TVCSinTab& tab) noexcept {
    Value = tab[Phase];
    Phase += Step;
    // Every step is below the table size, so one subtraction keeps the phase inside it.
    if (Phase >= TVCSinTab::kSize) Phase -= TVCSinTab::kSize;
    return Value;
  }

  int32_t Phase = 0;
  int32_t Step;
  double Frequency;
  double Value = 0;
};

// N analysis bands as structure of arrays, N a multiple of four. Lanes beyond the bands in use
// keep zero coefficients and stay silent; they only round the loops up to whole vectors.
// Only outputs keep a history: a stage's input history is the stage before it's output history
// (rectified for the smoothing stage), and the first stage's is the device input's own.
template <size_t N>
struct TVCBandBank {
  static_assert(N % 4 == 0);
  struct Stage {
    alignas(64) double b0[N]{}, b1[N]{}, b2[N]{}, a1[N]{}, a2[N]{};
    alignas(64) double y1[N]{}, y2[N]{};

    void Design(size_t i, const TBiquad& c) noexcept {
      b0[i] = c.b0;
      b1[i] = c.b1;
      b2[i] = c.b2;
      a1[i] = c.a1;
      a2[i] = c.a2;
    }
  };
  Stage First, Second, Smooth;
  double x1 = 0, x2 = 0;
  alignas(64) double Envelope[N]{};

  void Design(size_t i, const NTVCInBand2& band) noexcept {
    First.Design(i, band.First.Coefs);
    Second.Design(i, band.Second.Coefs);
    Smooth.Design(i, band.Smooth.Coefs);
  }
};

// The oscillators as structure of arrays: phase indices and whole-hertz steps, and where the
// block form last left each oscillator in its stream (valid while it matches the phase).
template <size_t N>
struct TVCOscBank {
  alignas(64) int32_t Phase[N]{};
  alignas(64) int32_t Step[N]{};
  alignas(64) int32_t At[N]{};
};
