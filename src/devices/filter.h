#pragma once
#include "devices/biquad.h"
#include "devices/panel.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "platform/triple_buffer.h"
#include "toolkit/key.h"

// One biquad of four kinds (low-pass, high-pass, band-pass, band-stop) with frequency and Q
// controls. Coefficients are designed on the window thread and handed to the audio thread as a
// whole set; the history lives on the audio thread and survives every change of the controls.
class NTFilter : public NTDevWin {
 public:
  enum Kind : int32_t { LowPassKind = 0, HighPassKind = 1, BandPassKind = 2, BandStopKind = 3 };
  // Control codes: the value a slider or key set reports to RegChanged or CtrlNotify.
  static constexpr int kFreqCode = 1, kQCode = 2, kKindCode = 3;
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kIn = 0, kOut = 0 };

  NTFilter(TCanvas* canvas, NTWin* parent);

  void Read(ipstream& is) override;
  void Write(opstream& os) override;
  void RegChanged(int code) override;
  void CtrlNotify(int code) override;
  void Latch() noexcept override;
  void Compute() noexcept override;

  // The coefficients of a kind at frequency control value f and Q control value qv.
  static TBiquad Design(int32_t kind, int32_t f, int32_t qv) noexcept;

  // The set Compute uses now, as the window thread last published it (audio thread).
  const TBiquad& Coefficients() noexcept { return coefs_.Latest(); }

  NTPlugIn In;
  NTPlugOut Out;
  NTValueControl Freq, Q;
  NTKeyset KindKeys;
  // Window thread only; saved in the patch file.
  int32_t FilterKind = LowPassKind;
  // The last two inputs and outputs, which Compute and the kernel carry on (audio thread). They
  // survive every change of the controls.
  TBiquadHistory History;

 private:
  // Designs and publishes the set for the current settings; a kind outside 0..3 (only from a
  // damaged file) designs nothing. Beeps once when the set is unstable. Window thread.
  void Recompute();

  TTripleBuffer<TBiquad> coefs_;
};
