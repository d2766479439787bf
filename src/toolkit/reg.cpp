#include "toolkit/reg.h"

#include <algorithm>
#include <limits>

namespace {
constexpr int kSliderTop = 12;        // below the up button
constexpr int kDownBelowTravel = 32;  // up button 12 + slider track without travel 20

// Products are formed in 64 bits so that values from a damaged file cannot overflow; in range the
// results are those of 32-bit arithmetic.
int32_t Narrow(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                     std::numeric_limits<int32_t>::max()));
}
}  // namespace

NTReg::NTReg(TWindowOwner* owner, NTWin* parent, int code, int travel, int min, int max, int step,
             int value)
    : NTBmpWin(owner, parent, 0, 0),
      NTCtrlData(code, parent),
      Up(owner, this, kUpCode),
      Down(owner, this, kDownCode),
      Slider(owner, this, kSliderCode, travel),
      Min(min),
      Max(max),
      Step(step),
      Value(value),
      Initial(value) {
  Up.MoveTo({0, 0});
  Down.MoveTo({0, Slider.Travel + kDownBelowTravel});
  Slider.MoveTo({0, kSliderTop});
  UpdateSliderPos();
}

void NTReg::Read(ipstream& is) {
  Value = is.ReadWord();
}
void NTReg::Write(opstream& os) {
  os.WriteWord(Value);
}

void NTReg::SetValue(int32_t v) {
  Value = v;
  UpdateSliderPos();
}

void NTReg::UpdateSliderPos() {
  const int64_t range = int64_t(Max) - Min;
  if (range == 0) {
    Slider.Pos = 0;
    return;
  }
  Slider.Pos = Narrow((int64_t(Value) - Min) * Slider.Travel / range);
}

void NTReg::Place(int64_t v) {
  Value = Narrow(v);
  UpdateSliderPos();
  Slider.Repaint();
}

bool NTReg::Change(int64_t v) {
  v = std::clamp<int64_t>(v, Min, std::max(Min, Max));
  if (v == Value) return false;
  Place(v);
  NotifyChange();
  return true;
}

void NTReg::NotifyChange() {
  if (Readout) Readout->Show(Value);
  NotifyReg();
}

void NTReg::CtrlNotify(int code) {
  if (code == kUpCode) Place(std::min<int64_t>(int64_t(Value) + Step, Max));
  if (code == kDownCode) Place(std::max<int64_t>(int64_t(Value) - Step, Min));
  NotifyChange();
}

void NTReg::SliderMoved(int) {
  const int32_t pos = Slider.KnobPos();
  if (pos == Slider.Travel) {
    Value = Max;
  } else {
    Value = Narrow((int64_t(Max) - Min) * pos / Slider.Travel + Min);
  }
  NotifyChange();
}
