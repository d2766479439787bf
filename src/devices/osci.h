#pragma once
#include <array>

#include "devices/osci_capture.h"
#include "devices/panel.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "toolkit/key.h"
#include "toolkit/statics.h"

// The four-channel triggered storage oscilloscope. Latch (audio thread) scales the inputs to
// screen pixels and feeds the recorder; Tick (window thread) arms recordings and shows the
// finished ones.
class NTOsci : public NTDevWin {
 public:
  template <class T>
  using PerChannel = std::array<T, osci::kChannels>;

  // Control codes reported to RegChanged and CtrlNotify; channel k's keys and value sliders
  // carry the first code plus k.
  static constexpr int kGainCode = 1, kPosCode = 5, kOnCode = 9, kGroundCode = 13;
  static constexpr int kTriggerSourceCode = 17, kSlopeCode = 18, kLevelCode = 19;
  static constexpr int kTriggerPosCode = 20, kTimeBaseCode = 21;
  // The ports, named (RecordOrder in panel.h); channel k's input is kFirstIn + k.
  enum : size_t { kFirstIn = 0 };

  NTOsci(TCanvas* canvas, NTWin* parent);
  ~NTOsci() override;

  void Paint(Dc& dc) override;
  void Tick() override;
  void Read(ipstream& is) override;
  void CtrlNotify(int code) override;
  void RegChanged(int code) override;
  void Latch() noexcept override;
  // Latch and Compute over a sub-block (the schedule's batch kernel).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;

  // Screen pixels per input unit for a gain control value in tenths of a decibel: 75 pixels for
  // full scale (kFullScale) at 0 dB.
  static float GainOf(int32_t tenthsDb) noexcept;
  // value · gain, rounded half away from zero and saturated to 32 bits.
  static int32_t Scale(int32_t value, float gain) noexcept;

  int32_t CaptureState() const noexcept { return capture_.State(); }
  // The recording on the screen, if there is one yet (window thread).
  const osci::TTraces* Shown() const noexcept { return hasRecording_ ? &display_ : nullptr; }

  PerChannel<NTStaticSeparator> Separators;
  PerChannel<NTKey> On;
  PerChannel<NTKey> Ground;
  PerChannel<NTPlugIn> In;
  PerChannel<NTValueControl> Gain;
  PerChannel<NTValueControl> Pos;
  NTValueControl Level;
  NTValueControl TriggerPos;
  NTKeyset TriggerSource;
  NTKeyset Slope;
  NTValueControl TimeBase;

 private:
  // A value slider's value within its range: a damaged file may hold any value.
  static int32_t Setting(const NTReg& r);
  void UpdateGain(int ch);
  // How the channels take their inputs as the connections and controls stand (audio thread).
  struct Channels {
    PerChannel<float> gain;
    PerChannel<bool> live;  // connected and not grounded
    int32_t trigger;
  };
  Channels Now() const noexcept;
  // Scales one frame of the sources' values into frame as the channels say, and records it.
  void Sample(const PerChannel<int32_t>& values, const Channels& c, osci::TFrame& frame) noexcept;
  void SelectTrigger();
  // The screen: graticule, zero lines, traces and markers (window thread; osci_screen.cpp).
  void PaintScreen(Dc& dc);
  void RedrawScreen();
  void PaintTrace(Dc& dc, Point origin, int ch, int32_t pos, int32_t stretch);
  void PaintMarkers(Dc& dc, Point panel);

  PerChannel<Relaxed<float>> gain_;
  Relaxed<int32_t> trigger_{0};  // the trigger channel, 0..3
  const osci::TTriggerControls controls_;
  osci::TOsciCapture capture_;
  // Window thread: the last recording shown, and whether there has been one.
  osci::TTraces display_{};
  bool hasRecording_ = false;
};
