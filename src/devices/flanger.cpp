#include "devices/flanger.h"

#include <algorithm>

#include "devices/arith.h"
#include "platform/art.h"
#include "platform/signal_units.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 112, kPanelH = 224;
constexpr ControlLayout kFeedback{{{32, 46}, 100, 0, 1000, 1, 500},  // thousandths
                                  {{26, 31}, DisplayKind::Thousandths, "Feedb"}};
constexpr ControlLayout kDelay{{{64, 46}, 100, 1, 500, 1, 250},  // frames
                               {{58, 31}, DisplayKind::Thousandths, "Delay"}};
constexpr Point kInJack{16, 203}, kExtJack{48, 203}, kOutJack{80, 203};

// The delay after this frame: the base delay lengthened by a non-negative "Ext" (a source's full
// swing, kWaveAmplitude, adds the whole line), at most the line's size.
int64_t DelayFor(int32_t ext, int32_t base) noexcept {
  // A base outside the control's range comes only from a damaged file; it acts as the nearest
  // setting the control can make.
  const int64_t b = std::clamp(base, kDelay.slider.min, kDelay.slider.max);
  const int64_t e = std::max(ext, 0);
  return std::min<int64_t>(e * NTFlanger::kLineSize / kWaveAmplitude + b, NTFlanger::kLineSize);
}
}  // namespace

NTFlanger::NTFlanger(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Flanger"),
      Line(kLineSize),
      In(canvas, this, bmp::kJackBlue, "In"),
      Ext(canvas, this, bmp::kJackBlue, "Ext"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      Feedback(canvas, this, kFeedbackCode, kFeedback),
      Delay(canvas, this, kDelayCode, kDelay) {
  RecordOrder(*this, In, Ext, Out, Feedback.Disp, Delay.Disp, Feedback, Delay);
  In.MoveTo(kInJack);
  Ext.MoveTo(kExtJack);
  Out.MoveTo(kOutJack);
  Line.SetDelay(Delay.Value);
}

void NTFlanger::Latch() noexcept {
  In.Latch();
  Ext.Latch();
}

void NTFlanger::Compute() noexcept {
  Out.Value = Step(In.Value, Ext.Value);
}

void NTFlanger::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const int32_t* in = b.Row(ports.In[kIn]);
  const int32_t* ext = b.Row(ports.In[kExtIn]);
  int32_t* out = b.Publish(ports.Out[kOut]);
  const int32_t feedback = Feedback.Value, base = Delay.Value;
  Line.Run(
      b.Frames,
      [&](int32_t a, int f) {
        out[f] = a;
        return Feed(a, feedback, in[f]);
      },
      [&](int f) { return DelayFor(ext[f], base); });
}

inline int32_t NTFlanger::Step(int32_t in, int32_t ext) noexcept {
  const int32_t a = Line.Read();
  Line.Write(Feed(a, Feedback.Value, in));
  Line.SetDelay(DelayFor(ext, Delay.Value));
  Line.Advance();
  return a;
}
