#include "devices/mult.h"

#include "devices/panel.h"
#include "platform/art.h"

namespace {
constexpr int kPanelW = 80, kPanelH = 100;
constexpr Point kSymbol{33, 65}, kIn1Jack{12, 47}, kIn2Jack{12, 79}, kOutJack{52, 63};
}  // namespace

NTMult::NTMult(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Multiplier"),
      Symbol(canvas, this, bmp::kCross, bmp::kCrossMask),
      In1(canvas, this, bmp::kJackBlue, "In 1"),
      In2(canvas, this, bmp::kJackBlue, "In 2"),
      Out(canvas, this, bmp::kJackRed, "Out") {
  RecordOrder(*this, Symbol, In1, In2, Out);
  Symbol.MoveTo(kSymbol);
  In1.MoveTo(kIn1Jack);
  In2.MoveTo(kIn2Jack);
  Out.MoveTo(kOutJack);
}

int32_t NTMult::Product(int32_t x1, int32_t x2) noexcept {
  // In 64 bits the product of the shifted inputs cannot overflow; a result beyond 32 bits wraps.
  return int32_t((int64_t(x1 >> 2) * int64_t(x2 >> 2)) >> 12);
}

void NTMult::Latch() noexcept {
  // An unconnected input keeps its last value; the output is 0 then anyway.
  if (const NTPlugOut* s = In1.Source) In1.Value = s->Value.Get();
  if (const NTPlugOut* s = In2.Source) In2.Value = s->Value.Get();
}

void NTMult::Compute() noexcept {
  Out.Value = In1.Source && In2.Source ? Product(In1.Value, In2.Value) : 0;
}

void NTMult::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const int32_t* x1 = b.Row(ports.In[kIn1]);
  const int32_t* x2 = b.Row(ports.In[kIn2]);
  int32_t* out = b.Publish(ports.Out[kOut]);
  const bool both = ports.In[kIn1] && ports.In[kIn2];
  // A local count: the stores could otherwise change b.Frames as far as the compiler knows.
  const int frames = b.Frames;
  for (int f = 0; f < frames; ++f) out[f] = both ? Product(x1[f], x2[f]) : 0;
}
