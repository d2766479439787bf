#include "devices/vumeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "devices/panel.h"
#include "platform/art.h"
#include "platform/signal_units.h"
#include "toolkit/bitmap_cache.h"

namespace {
constexpr int kPanelW = 48, kPanelH = 224;
// The scale: 165 pixels, a tick every 15, labelled +20 down to -90.
constexpr Point kScale{22, 21};
constexpr int kScaleLength = 165, kScaleSpacing = 15, kScaleFirst = 20, kScaleIncrement = -10;
constexpr Point kBar{24, 21};
constexpr int kBarW = 12;
constexpr Point kInJack{16, 203};

// Once the signal drops, the bar holds for kFallPace ticks, then falls one pixel more per tick
// every kFallPace ticks, up to kFallLimit / kFallPace pixels per tick.
constexpr int kFallPace = 6, kFallLimit = 128;
}  // namespace

NTVUMeter::NTVUMeter(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "VU"),
      Scale(canvas, this, kScale, kScaleLength, kScaleSpacing, kScaleFirst, kScaleIncrement),
      In(canvas, this, bmp::kJackBlue, "In") {
  RecordOrder(*this, Scale, In);
  In.MoveTo(kInJack);
  Canvas->Bitmaps().Acquire(bmp::kVuBar);
}

NTVUMeter::~NTVUMeter() {
  Canvas->Bitmaps().Release(bmp::kVuBar);
}

int32_t NTVUMeter::Level(int32_t peak) {
  if (peak == 0) return 0;
  // Peaks are at most 2^31, so the level stays far inside the int range.
  return int32_t(std::log10(peak * (1.0 / kWaveAmplitude)) * 20 * 15 * 0.1 + 140);
}

void NTVUMeter::Latch() noexcept {
  if (const NTPlugOut* s = In.Source)
    Sense(s->Value);
  else
    Peak = 0;
}

void NTVUMeter::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  if (!ports.In[kIn]) {
    Peak = 0;
    return;
  }
  const int32_t* in = b.Row(ports.In[kIn]);
  for (int f = 0; f < b.Frames; ++f) Sense(in[f]);
}

inline void NTVUMeter::Sense(int32_t value) noexcept {
  // The magnitude of the most negative value does not fit 32 bits; it reads as the largest.
  const int32_t v = int32_t(std::min<int64_t>(std::abs(int64_t(value)), INT32_MAX));
  if (v > Peak) Peak = v;
}

void NTVUMeter::Tick() {
  // While a panel moves the meter stands still and the peak keeps growing.
  if (Owner->Interaction() == InteractionMode::Moving) return;
  const int32_t level = Level(Peak);
  Peak = 0;
  if (level >= BarHeight) {
    MoveBar(level);
    FallCount = 0;
    return;
  }
  MoveBar(BarHeight - FallCount / kFallPace);
  if (FallCount < kFallLimit) ++FallCount;
}

void NTVUMeter::Paint(Dc& dc) {
  NTDevWin::Paint(dc);
  DrawBar(dc, BarHeight);
}

void NTVUMeter::MoveBar(int32_t h) {
  if (std::clamp(h, 0, kBarMax) == BarHeight) return;
  TClientDC dc(*Canvas);
  DrawBar(*dc, h);
}

void NTVUMeter::DrawBar(Dc& dc, int32_t h) {
  BarHeight = std::clamp(h, 0, kBarMax);
  const Point p = AbsPos();
  const int x = p.x + kBar.x, top = p.y + kBar.y;
  // The unlit part is black; the lit part is the bottom rows of the fully lit bar.
  if (BarHeight < kBarMax) dc.Fill(x, top, kBarW, kBarMax - BarHeight, Rgb(0, 0, 0));
  if (BarHeight > 0)
    dc.Blt(x, top + kBarMax - BarHeight, kBarW, BarHeight, Canvas->Bitmaps().Get(bmp::kVuBar), 0,
           kBarMax - BarHeight);
}
