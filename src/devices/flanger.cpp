#include "devices/flanger.h"

#include <algorithm>

#include "devices/arith.h"
#include "devices/panel.h"
#include "platform/art.h"
#include "platform/signal_units.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 112, kPanelH = 224;
constexpr Point kFeedbackDisp{26, 31}, kDelayDisp{58, 31};
constexpr RegLayout kFeedback{{32, 46}, 100, 0, 1000, 1, 500};  // thousandths
constexpr RegLayout kDelay{{64, 46}, 100, 1, 500, 1, 250};      // frames
constexpr Point kInJack{16, 203}, kExtJack{48, 203}, kOutJack{80, 203};

// The delay after this frame: the base delay lengthened by a non-negative "Ext" (a source's full
// swing, kWaveAmplitude, adds the whole line), at most the line's size.
int64_t DelayFor(int32_t ext, int32_t base) noexcept {
  // A base outside the control's range comes only from a damaged file; it acts as the nearest
  // setting the control can make.
  const int64_t b = std::clamp(base, kDelay.min, kDelay.max);
  const int64_t e = std::max(ext, 0);
  return std::min<int64_t>(e * NTFlanger::kLineSize / kWaveAmplitude + b, NTFlanger::kLineSize);
}
}  // namespace

NTFlanger::NTFlanger(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Flanger"),
      Line(kLineSize),
      In(canvas, this, bmp::kJackBlue, "In"),
      Ext(canvas, this, bmp::kJackBlue, "Ext"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      FeedbackDisp(canvas, this, DisplayKind::Thousandths, "Feedb"),
      DelayDisp(canvas, this, DisplayKind::Thousandths, "Delay"),
      Feedback(MakeReg(canvas, this, kFeedbackCode, kFeedback)),
      Delay(MakeReg(canvas, this, kDelayCode, kDelay)) {
  FeedbackDisp.MoveTo(kFeedbackDisp);
  DelayDisp.MoveTo(kDelayDisp);
  Feedback.MoveTo(kFeedback.pos);
  Delay.MoveTo(kDelay.pos);
  In.MoveTo(kInJack);
  Ext.MoveTo(kExtJack);
  Out.MoveTo(kOutJack);
  FeedbackDisp.SetValue(Feedback.Value);
  Line.SetDelay(Delay.Value);
  DelayDisp.SetValue(Delay.Value);
}

void NTFlanger::RegChanged(int code) {
  switch (code) {
    case kFeedbackCode:
      FeedbackDisp.Show(Feedback.Value);
      break;
    case kDelayCode:
      DelayDisp.Show(Delay.Value);
      break;
    default:
      break;
  }
}

void NTFlanger::Latch() noexcept {
  In.Latch();
  Ext.Latch();
}

void NTFlanger::Compute() noexcept {
  Out.Value = Step(In.Value, Ext.Value);
}

void NTFlanger::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const int32_t* in = b.Row(ports.In[0]);
  const int32_t* ext = b.Row(ports.In[1]);
  int32_t* out = b.Publish(ports.Out[0]);
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
