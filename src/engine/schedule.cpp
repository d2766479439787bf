// Running a compiled schedule: sub-block after sub-block while the wiring stays as compiled.
#include "engine/schedule.h"

#include <algorithm>
#include <chrono>

#include "engine/plug.h"
#include "engine/schedule_crew.h"
#include "engine/schedule_steps.h"

void schedule_steps::LoopStep::Run(const TSubBlock& b) noexcept {
  std::fill(done.begin(), done.end(), 0);
  for (bool behind = true; behind;) {
    behind = false;
    for (size_t i = 0; i < members.size(); ++i) {
      int until = b.Frames;
      for (uint32_t s : members[i].sources) until = std::min(until, done[s] + 1);
      if (until > done[i]) {
        members[i].batch->Run(b.Range(done[i], until));
        done[i] = until;
      }
      behind |= done[i] < b.Frames;
    }
  }
}

TSchedule::TSchedule(uint64_t version, size_t slots) : version_(version), hist_(slots) {}
TSchedule::~TSchedule() = default;

bool TSchedule::Current() const noexcept {
  const uint64_t changes = TSourceLink::Changes();
  if (changes == comparedAt_) return true;
  for (const Wire& w : wiring_)
    if (w.In->Source.Get() != w.Source) return false;
  comparedAt_ = changes;
  return true;
}

void TSchedule::RunLevels(const TSubBlock& b, TScheduleCrew* crew) noexcept {
  using Clock = std::chrono::steady_clock;
  // Without a line to measure against, every level of more than one step is handed over.
  const bool timing = crew && crew->Line().count() > 0 && timed_ < kTimedSubBlocks;
  for (Level& level : levels_) {
    const std::span<Step* const> steps(parts_.data() + level.First, level.Count);
    if (crew && !timing && level.Count > 1 &&
        level.NsPerFrame * b.Frames >= double(crew->Line().count())) {
      crew->Run(steps, b);
      continue;
    }
    const Clock::time_point start = timing ? Clock::now() : Clock::time_point();
    for (Step* step : steps) step->Run(b);
    if (timing) {
      const std::chrono::duration<double, std::nano> took = Clock::now() - start;
      level.NsPerFrame = std::min(level.NsPerFrame, took.count() / b.Frames);
    }
  }
  timed_ += timing;
}

int TSchedule::Run(TFrameIo& io, const int16_t* in, int16_t* out, int frames,
                   TScheduleCrew* crew) noexcept {
  if (frames <= 0) return 0;
  const auto slots = int32_t(outputs_.size());
  for (int32_t s = 1; s < slots; ++s) hist_.Row(s)[0] = outputs_[size_t(s)]->Value.Get();
  std::fill(out, out + 2 * frames, int16_t{0});
  int f = 0, n = 0;  // frames run, and those of the last sub-block
  while (f < frames) {
    if (f > 0) {
      // A connection changed while the block ran: the rest is not this schedule's.
      if (!Current()) break;
      // Each sub-block starts from what the one before published last.
      for (int32_t s = 1; s < slots; ++s) hist_.Row(s)[0] = hist_.Row(s)[n];
    }
    n = std::min(THistories::kFrames, frames - f);
    const TSubBlock b{hist_, n, in + 2 * f, out + 2 * f, 0, io.Clock + f};
    RunLevels(b, crew);
    f += n;
  }
  for (int32_t s = 1; s < slots; ++s) outputs_[size_t(s)]->Value = hist_.Row(s)[n];
  for (const LatchBack& l : latchBack_) {
    if (l.Slot)
      l.In->Value = hist_.Row(l.Slot)[n - 1];
    else if (l.Rule == TKernel::Latch::Zero)
      l.In->Value = 0;
  }
  const int last = 2 * (f - 1);
  io.Clock += f;
  io.InL = in[last];
  io.InR = in[last + 1];
  io.OutL = out[last];
  io.OutR = out[last + 1];
  return f;
}

size_t TSchedule::LoopSteps() const noexcept {
  return size_t(
      std::count_if(steps_.begin(), steps_.end(), [](const auto& s) { return s->Loop(); }));
}

size_t TSchedule::BatchSteps() const noexcept {
  return steps_.size() - LoopSteps();
}
