#include "devices/hall.h"

#include <utility>

#include "devices/arith.h"
#include "devices/random.h"
#include "devices/reg_range.h"
#include "platform/art.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 80, kPanelH = 224;
constexpr Point kFeedbackDispPos{26, 31}, kFeedbackPos{32, 46};
constexpr Point kInPos{16, 203}, kOutPos{48, 203};
constexpr int kThousandthsDisp = 4;

constexpr int kFeedbackCode = 1;
// Value slider: travel, minimum, maximum, step, initial value.
constexpr TRegRange kFeedbackRange{100, 0, 1000, 1, 500};  // thousandths

constexpr int32_t kShortestComb = 5000, kCombSpread = 4000;

NTPipe RandomComb() {
  return NTPipe(kShortestComb + NextRandom() % kCombSpread);
}

// The elements of a braced list are initialised in order, so the lengths are drawn in comb order.
template <size_t... I>
std::array<NTPipe, sizeof...(I)> RandomCombs(std::index_sequence<I...>) {
  return {((void)I, RandomComb())...};
}
}  // namespace

NTHall::NTHall(NTCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Hall"),
      In(canvas, this, bmp::JackBlue, "In"),
      Out(canvas, this, bmp::JackRed, "Out"),
      FeedbackDisp(canvas, this, kThousandthsDisp, "Feedback"),
      Feedback(canvas, this, kFeedbackCode, kFeedbackRange.travel, kFeedbackRange.min,
               kFeedbackRange.max, kFeedbackRange.step, kFeedbackRange.initial),
      combs_(RandomCombs(std::make_index_sequence<kCombs>())) {
  FeedbackDisp.MoveTo(kFeedbackDispPos);
  Feedback.MoveTo(kFeedbackPos);
  In.MoveTo(kInPos);
  Out.MoveTo(kOutPos);
  Type = DeviceType::Hall;
  FeedbackDisp.SetValue(Feedback.Value);
}

void NTHall::RegChanged(int code) {
  if (code == kFeedbackCode) FeedbackDisp.Show(Feedback.Value);
}

void NTHall::Latch() noexcept {
  In.Latch();
}

void NTHall::Compute() noexcept {
  const int64_t feedback = Feedback.Value;
  const int32_t in = In.Value;
  int64_t sum = 0;
  for (NTPipe& comb : combs_) {
    const int32_t a = comb.ReadNext();
    sum += a;
    comb.Write(Wrap32(a * feedback / 1000 + in));
  }
  Out.Value = Wrap32(sum) / kCombs;
}
