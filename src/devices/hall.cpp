#include "devices/hall.h"

#include <algorithm>
#include <utility>

#include "devices/arith.h"
#include "devices/panel.h"
#include "devices/random.h"
#include "platform/art.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 80, kPanelH = 224;
constexpr Point kFeedbackDisp{26, 31};
constexpr RegLayout kFeedback{{32, 46}, 100, 0, 1000, 1, 500};  // thousandths
constexpr Point kInJack{16, 203}, kOutJack{48, 203};

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
      In(canvas, this, bmp::kJackBlue, "In"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      FeedbackDisp(canvas, this, DisplayKind::Thousandths, "Feedback"),
      Feedback(MakeReg(canvas, this, kFeedbackCode, kFeedback)),
      combs_(RandomCombs(std::make_index_sequence<kCombs>())) {
  FeedbackDisp.MoveTo(kFeedbackDisp);
  Feedback.MoveTo(kFeedback.pos);
  In.MoveTo(kInJack);
  Out.MoveTo(kOutJack);
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
  Out.Value = Step(In.Value);
}

void NTHall::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const int32_t* in = b.Row(ports.In[0]);
  int32_t* out = b.Publish(ports.Out[0]);
  const int64_t feedback = Feedback.Value;
  // Sums of whole numbers: the combs may add theirs one comb after the other.
  std::array<int64_t, THistories::kFrames> sum;
  std::fill_n(sum.begin(), b.Frames, 0);
  for (NTPipe& comb : combs_)
    comb.Cycle(b.Frames, [&](int32_t a, int f) {
      sum[size_t(f)] += a;
      return Wrap32(a * feedback / 1000 + in[f]);
    });
  for (int f = 0; f < b.Frames; ++f) out[f] = Wrap32(sum[size_t(f)]) / kCombs;
}

inline int32_t NTHall::Step(int32_t in) noexcept {
  const int64_t feedback = Feedback.Value;
  int64_t sum = 0;
  for (NTPipe& comb : combs_) {
    const int32_t a = comb.Read();
    sum += a;
    comb.Write(Wrap32(a * feedback / 1000 + in));
  }
  return Wrap32(sum) / kCombs;
}
