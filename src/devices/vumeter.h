#pragma once
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "platform/relaxed.h"
#include "toolkit/statics.h"

// A peak meter: every frame keeps the largest input magnitude, every timer tick turns it into a
// segmented bar on a decibel scale (1.5 pixels per dB, 0 dB = kWaveAmplitude at height 140). The
// bar rises at once and falls back after a short hold with growing speed.
class NTVUMeter : public NTDevWin {
 public:
  static constexpr int kBarMax = 170;

  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kIn = 0 };

  NTVUMeter(TCanvas* canvas, NTWin* parent);
  ~NTVUMeter() override;
  void Paint(Dc& dc) override;
  void Tick() override;
  void Latch() noexcept override;
  // Latch and Compute over a sub-block (the schedule's batch kernel).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;

  // The bar height of a peak: 140 + 1.5 x (dB relative to kWaveAmplitude), 0 for silence. Not
  // limited.
  static int32_t Level(int32_t peak);

  NTStaticScala Scale;
  NTPlugIn In;

  // Window thread: lit pixels of the bar and ticks since it began to fall.
  int32_t BarHeight = 0;
  int32_t FallCount = 0;
  // Raised by the audio thread, taken and cleared by the tick. A peak raised in between is lost.
  Relaxed<int32_t> Peak{0};

 private:
  // Raises the peak to the magnitude of a latched value.
  void Sense(int32_t value) noexcept;
  // Draws the bar at h (limited to 0..BarMax) and makes it the bar height.
  void DrawBar(Dc& dc, int32_t h);
  // Draws the bar at h through a client drawing context, unless it stands there already.
  void MoveBar(int32_t h);
};
