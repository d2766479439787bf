// The helper threads of a schedule and the hand-over of a level's steps.
#include "engine/schedule_crew.h"

#include "engine/schedule_steps.h"
#include "platform/denormals.h"
#include "platform/realtime.h"

#if defined(__SSE2__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {
// Tells the core that this thread waits, so that its sibling gets the pipeline meanwhile.
inline void Pause() noexcept {
#if defined(__SSE2__) || defined(__x86_64__)
  _mm_pause();
#endif
}

// A helper spins this many pauses (a millisecond or two) for the next level, then naps between
// looks, so that an idle program leaves the core alone. A napping helper delays nothing: the
// audio thread takes its share.
constexpr int kSpins = 1 << 15;
constexpr std::chrono::microseconds kNap{50};
}  // namespace

TScheduleCrew::TScheduleCrew(int threads, std::chrono::nanoseconds line) : line_(line) {
  for (int t = 1; t < threads; ++t)
    helpers_.emplace_back([this](const std::stop_token& stop) { Help(stop); });
}

TScheduleCrew::~TScheduleCrew() = default;  // the helpers stop and are joined

bool TScheduleCrew::RaiseToRealTime() {
  bool all = true;
  for (std::jthread& h : helpers_) all = RaiseThreadToRealTime(h.native_handle()) && all;
  return all;
}

bool TScheduleCrew::Claim(uint32_t& step) noexcept {
  uint64_t w = work_.load(std::memory_order_relaxed);
  while (uint32_t(w) < uint32_t(w >> 32))
    if (work_.compare_exchange_weak(w, w + 1, std::memory_order_acquire,
                                    std::memory_order_relaxed)) {
      step = uint32_t(w);
      return true;
    }
  return false;
}

void TScheduleCrew::RunStep(uint32_t step) noexcept {
  steps_[step]->Run(*block_);
}

void TScheduleCrew::Run(std::span<TSchedule::Step* const> steps, const TSubBlock& b) noexcept {
  steps_ = steps.data();
  block_ = &b;
  floatMode_ = FloatMode();
  doneByHelpers_.store(0, std::memory_order_relaxed);
  const auto count = uint32_t(steps.size());
  work_.store(uint64_t(count) << 32, std::memory_order_release);
  uint32_t mine = 0;
  for (uint32_t step; Claim(step); ++mine) RunStep(step);
  while (doneByHelpers_.load(std::memory_order_acquire) != count - mine) Pause();
}

void TScheduleCrew::Help(const std::stop_token& stop) noexcept {
  FlushDenormals();
  int idle = 0;
  while (!stop.stop_requested()) {
    if (uint32_t step; Claim(step)) {
      SetFloatMode(floatMode_);
      RunStep(step);
      doneByHelpers_.fetch_add(1, std::memory_order_release);
      idle = 0;
    } else if (++idle < kSpins) {
      Pause();
    } else {
      std::this_thread::sleep_for(kNap);
    }
  }
}
