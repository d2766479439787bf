#include "devices/hall.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "devices/arith.h"
#include "devices/lanes.h"
#include "devices/random.h"
#include "platform/art.h"

namespace {
// Panel layout, relative to the panel's top-left corner.
constexpr int kPanelW = 80, kPanelH = 224;
constexpr ControlLayout kFeedback{{{32, 46}, 100, 0, 1000, 1, 500},  // thousandths
                                  {{26, 31}, DisplayKind::Thousandths, "Feedback"}};
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

NTHall::NTHall(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Hall"),
      In(canvas, this, bmp::kJackBlue, "In"),
      Out(canvas, this, bmp::kJackRed, "Out"),
      Feedback(canvas, this, kFeedbackCode, kFeedback),
      combs_(RandomCombs(std::make_index_sequence<kCombs>())) {
  RecordOrder(*this, In, Out, Feedback.Disp, Feedback);
  In.MoveTo(kInJack);
  Out.MoveTo(kOutJack);
}

void NTHall::Latch() noexcept {
  In.Latch();
}

void NTHall::Compute() noexcept {
  Out.Value = Step(In.Value);
}

namespace {
// One comb over a stretch of its cells: each cell's value a joins the frame's sum and is
// replaced by Feed(a, feedback, in).
void CombFrames(int32_t* cell, const int32_t* in, int64_t* sum, int n, int32_t feedback) noexcept {
  for (int k = 0; k < n; ++k) {
    sum[k] += cell[k];
    cell[k] = Feed(cell[k], feedback, in[k]);
  }
}

// Runs shorter than this take the frame-by-frame loop.
constexpr int kFewFrames = 32;

using W4 = uint32_t __attribute__((vector_size(16)));
using L4 = int64_t __attribute__((vector_size(32)));

// CombFrames four frames to a vector, for |feedback| <= 1000. Then a · feedback has at most 41
// bits and is exact as a double, the truncating conversion of its product with PerUnit<1000>()
// is the integer quotient (below 2^31), and adding the input with 32-bit wrap gives Feed's value.
// Feed is not its one-lane case: it must stay exact for any factor a damaged file sets, and its
// 64-bit division has no vector instruction, so a form generic over lanes would run frame by frame.
QUARVIN_LANES void CombLanes(int32_t* cell, const int32_t* in, int64_t* sum, int n,
                             int32_t feedback) noexcept {
  const V4 factor = V4{} + double(feedback), perMille = V4{} + PerUnit<1000>();
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    I4 a, x;
    L4 s;
    std::memcpy(&a, cell + k, sizeof a);
    std::memcpy(&x, in + k, sizeof x);
    std::memcpy(&s, sum + k, sizeof s);
    s += __builtin_convertvector(a, L4);
    std::memcpy(sum + k, &s, sizeof s);
    const I4 q = __builtin_convertvector(__builtin_convertvector(a, V4) * factor * perMille, I4);
    const W4 fed = W4(q) + W4(x);
    std::memcpy(cell + k, &fed, sizeof fed);
  }
  CombFrames(cell + k, in + k, sum + k, n - k, feedback);
}
}  // namespace

void NTHall::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const int32_t* in = b.Row(ports.In[kIn]);
  int32_t* out = b.Publish(ports.Out[kOut]);
  const int32_t feedback = Feedback.Value;
  const int n = b.Frames;
  // Only a damaged file sets a feedback beyond the control's range. A few frames at a time come
  // from a loop, whose devices have only just stored them one by one: a load of four of them
  // would wait until those stores are done, so such frames run one by one as well.
  if (std::abs(int64_t{feedback}) > 1000 || n < kFewFrames) {
    for (int f = 0; f < n; ++f) out[f] = Step(in[f]);
    return;
  }
  // Sums of whole numbers: the combs may add theirs one comb after the other.
  std::array<int64_t, THistories::kFrames> sum;
  std::fill_n(sum.begin(), n, 0);
  for (NTPipe& comb : combs_)
    comb.Cycle(n, [&](int32_t* cells, int f, int count) {
      CombLanes(cells, in + f, sum.data() + f, count, feedback);
    });
  for (int f = 0; f < n; ++f) out[f] = Wrap32(sum[size_t(f)]) / kCombs;
}

inline int32_t NTHall::Step(int32_t in) noexcept {
  const int32_t feedback = Feedback.Value;
  int64_t sum = 0;
  for (NTPipe& comb : combs_) {
    const int32_t a = comb.Read();
    sum += a;
    comb.Write(Feed(a, feedback, in));
  }
  return Wrap32(sum) / kCombs;
}
