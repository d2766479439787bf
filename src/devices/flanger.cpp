#include "devices/flanger.h"

#include <algorithm>

#include "devices/arith.h"
#include "devices/reg_range.h"
#include "platform/art.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 112, kPanelH = 224;
constexpr Point kFeedbackDispPos{26, 31}, kDelayDispPos{58, 31};
constexpr Point kFeedbackPos{32, 46}, kDelayPos{64, 46};
constexpr Point kInPos{16, 203}, kExtPos{48, 203}, kOutPos{80, 203};
constexpr int kThousandthsDisp = 4;

// Control codes.
constexpr int kFeedbackCode = 1, kDelayCode = 2;

// Value sliders: travel, minimum, maximum, step, initial value.
constexpr TRegRange kFeedbackRange{100, 0, 1000, 1, 500};  // thousandths
constexpr TRegRange kDelayRange{100, 1, 500, 1, 250};      // frames

constexpr int32_t kFullScale = 65535;

// The delay after this frame: the base delay lengthened by a non-negative "Ext" (full scale adds
// the whole line), at most the line's size.
int64_t DelayFor(int32_t ext, int32_t base) noexcept {
  // A base outside the control's range comes only from a damaged file; it acts as the nearest
  // setting the control can make.
  const int64_t b = std::clamp(base, kDelayRange.min, kDelayRange.max);
  const int64_t e = std::max(ext, 0);
  return std::min<int64_t>(e * NTFlanger::kLineSize / kFullScale + b, NTFlanger::kLineSize);
}
}  // namespace

NTFlanger::NTFlanger(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Flanger"),
      Line(kLineSize),
      In(canvas, this, bmp::JackBlue, "In"),
      Ext(canvas, this, bmp::JackBlue, "Ext"),
      Out(canvas, this, bmp::JackRed, "Out"),
      FeedbackDisp(canvas, this, kThousandthsDisp, "Feedb"),
      DelayDisp(canvas, this, kThousandthsDisp, "Delay"),
      Feedback(canvas, this, kFeedbackCode, kFeedbackRange.travel, kFeedbackRange.min,
               kFeedbackRange.max, kFeedbackRange.step, kFeedbackRange.initial),
      Delay(canvas, this, kDelayCode, kDelayRange.travel, kDelayRange.min, kDelayRange.max,
            kDelayRange.step, kDelayRange.initial) {
  FeedbackDisp.MoveTo(kFeedbackDispPos);
  DelayDisp.MoveTo(kDelayDispPos);
  Feedback.MoveTo(kFeedbackPos);
  Delay.MoveTo(kDelayPos);
  In.MoveTo(kInPos);
  Ext.MoveTo(kExtPos);
  Out.MoveTo(kOutPos);
  Type = DeviceType::Flanger;
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
  const int32_t a = Line.Read();
  Line.Write(Wrap32(int64_t{a} * Feedback.Value / 1000 + In.Value));
  Out.Value = a;
  Line.SetDelay(DelayFor(Ext.Value, Delay.Value));
  Line.Advance();
}
