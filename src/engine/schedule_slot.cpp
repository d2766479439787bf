// The hand-over of compiled schedules between the threads, and the processing cycle that uses
// the one handed over or falls back to the frame cycle.
#include <algorithm>

#include "engine/frame_cycle.h"
#include "engine/sample_buffer.h"
#include "engine/schedule.h"

TScheduleSlot::~TScheduleSlot() {
  FreeRetired();
  delete pending_.load(std::memory_order_acquire);
  delete current_;
}

void TScheduleSlot::Publish(std::unique_ptr<TSchedule> s) {
  FreeRetired();
  stale_.store(false, std::memory_order_relaxed);
  // A schedule still pending was never seen by the audio thread.
  delete pending_.exchange(s.release(), std::memory_order_acq_rel);
}

TSchedule* TScheduleSlot::Take() noexcept {
  if (pending_.load(std::memory_order_relaxed)) {
    if (TSchedule* s = pending_.exchange(nullptr, std::memory_order_acq_rel)) {
      Retire(current_);
      current_ = s;
    }
  }
  return current_;
}

void TScheduleSlot::Retire(TSchedule* s) noexcept {
  if (!s) return;
  s->nextRetired_ = retired_.load(std::memory_order_relaxed);
  while (!retired_.compare_exchange_weak(s->nextRetired_, s, std::memory_order_release,
                                         std::memory_order_relaxed)) {
  }
}

void TScheduleSlot::FreeRetired() {
  TSchedule* s = retired_.exchange(nullptr, std::memory_order_acquire);
  while (s) {
    TSchedule* next = s->nextRetired_;
    delete s;
    s = next;
  }
}

void ProcessScheduled(TScheduleSlot& slot, uint64_t version, std::span<NTDevWin* const> devices,
                      TFrameIo& io, const TSampleBuffer& in, TSampleBuffer& out) {
  const int frames = std::min(in.Length(), out.Length());
  TSchedule* s = slot.Take();
  const int done = s && s->Version() == version && s->Current()
                       ? s->Run(io, in.Data(), out.Data(), frames, slot.Crew())
                       : 0;
  if (done == frames) return;
  ProcessFrames(devices, io, in.Data() + 2 * done, out.Data() + 2 * done, frames - done);
  slot.MarkStale();
}
