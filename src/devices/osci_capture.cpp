#include "devices/osci_capture.h"

#include <algorithm>

namespace osci {
namespace {

// Column steps of t = -1 .. -13: from 30000, by turns halved, scaled by 2/5 and halved again, so
// that 30 columns last 1 ms, 2 ms, 5 ms, 10 ms ... 10 s.
constexpr std::array<int32_t, -kMinTimeBase> kSlowSteps = [] {
  std::array<int32_t, -kMinTimeBase> steps{};
  int32_t step = 30000;
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i] = step;
    step = i % 3 == 1 ? step * 2 / 5 : step / 2;
  }
  return steps;
}();

}  // namespace

int32_t ColumnStep(int32_t timeBase) noexcept {
  const int32_t t = std::clamp(timeBase, kMinTimeBase, kMaxTimeBase);
  // Faster time bases record one frame per column and are stretched when drawn.
  if (t >= 0) return kFramesPerSecond;
  return kSlowSteps[size_t(-t - 1)];
}

void TOsciCapture::Step(const TFrame& frame, int32_t trigger,
                        const TTriggerControls& controls) noexcept {
  const int32_t state = state_.load(std::memory_order_acquire);
  switch (state) {
    case Armed:
      Start(state, trigger, controls);
      break;
    case PreTrigger:
      if (Record(frame) && count_ >= position_) {
        previous_ = trigger;
        Advance(state, WaitTrigger);
      }
      break;
    case WaitTrigger:
      if (Record(frame) && TriggerFires(trigger, controls)) {
        count_ = position_;
        Advance(state, PostTrigger);
      }
      break;
    case PostTrigger:
      if (Record(frame) && count_ == kColumns) Advance(state, Complete);
      break;
    case WaitDelayed:
      if (TriggerFires(trigger, controls)) Advance(state, Delay);
      break;
    case Delay:
      if (--count_ == position_) {
        count_ = 0;
        Advance(state, AfterDelay);
      }
      break;
    case AfterDelay:
      Record(frame);
      if (count_ == kColumns) Advance(state, Complete);
      break;
    default:  // idle or complete: the window thread's turn
      break;
  }
}

void TOsciCapture::Start(int32_t state, int32_t trigger,
                         const TTriggerControls& controls) noexcept {
  index_ = 0;
  count_ = 0;
  previous_ = trigger;
  step_ = ColumnStep(controls.TimeBase);
  accumulator_ = 0;
  open_ = false;
  // A position beyond the ring would never let the pre-trigger phase end.
  position_ = std::clamp(controls.Position.Get(), kMinTriggerPos, kMaxTriggerPos);
  Advance(state, position_ >= 0 ? PreTrigger : WaitDelayed);
}

bool TOsciCapture::Record(const TFrame& frame) noexcept {
  for (int ch = 0; ch < kChannels; ++ch) {
    TColumn& c = ring_[size_t(ch)][size_t(index_)];
    const int32_t v = frame[size_t(ch)];
    if (open_) {
      c.Min = std::min(c.Min, v);
      c.Max = std::max(c.Max, v);
    } else {
      c = {v, v, v};
    }
  }
  open_ = true;
  accumulator_ += step_;
  if (accumulator_ < kFramesPerSecond) return false;
  accumulator_ -= kFramesPerSecond;
  index_ = index_ + 1 == kColumns ? 0 : index_ + 1;
  if (count_ < kColumns) ++count_;
  open_ = false;
  return true;
}

bool TOsciCapture::TriggerFires(int32_t value, const TTriggerControls& controls) noexcept {
  const int32_t level = std::clamp(controls.Level.Get(), -kMaxLevel, kMaxLevel);
  const bool minus = controls.Slope.Get() >= 1;
  const bool fires =
      minus ? previous_ > level && level >= value : previous_ < level && level <= value;
  previous_ = value;
  return fires;
}

void TOsciCapture::Advance(int32_t from, int32_t to) noexcept {
  // Fails only when the window thread cancelled meanwhile; its state stands.
  state_.compare_exchange_strong(from, to, std::memory_order_acq_rel, std::memory_order_relaxed);
}

bool TOsciCapture::Arm() noexcept {
  int32_t idle = Idle;
  return state_.compare_exchange_strong(idle, Armed, std::memory_order_acq_rel,
                                        std::memory_order_relaxed);
}

bool TOsciCapture::Take(TTraces& traces) noexcept {
  if (state_.load(std::memory_order_acquire) != Complete) return false;
  // The column at the ring index is the oldest.
  for (int ch = 0; ch < kChannels; ++ch) {
    const TTrace& ring = ring_[size_t(ch)];
    std::rotate_copy(ring.begin(), ring.begin() + index_, ring.end(), traces[size_t(ch)].begin());
  }
  // Release: the audio thread may refill the ring only after these reads.
  state_.store(Idle, std::memory_order_release);
  return true;
}

void TOsciCapture::Cancel() noexcept {
  state_.store(Idle, std::memory_order_release);
}

}  // namespace osci
