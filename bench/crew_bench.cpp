// The cost of handing a level over to the schedule's helper threads: a level of two steps that do
// nothing, on the audio thread alone and shared with one helper. The difference is what a level
// must save to be worth sharing (TScheduleCrew::kLine).
#include <benchmark/benchmark.h>

#include "engine/schedule_crew.h"
#include "engine/schedule_steps.h"

namespace {
struct Idle final : TBatch {
  void Run(const TSubBlock&) noexcept override {}
};

void BM_LevelHandOver(benchmark::State& state) {
  const int threads = int(state.range(0));
  TScheduleCrew crew(threads, std::chrono::nanoseconds(0));
  schedule_steps::BatchStep a(std::make_unique<Idle>()), b(std::make_unique<Idle>());
  TSchedule::Step* const steps[] = {&a, &b};
  THistories h(1);
  int16_t io[2 * THistories::kFrames] = {};
  const TSubBlock block{h, THistories::kFrames, io, io};
  for (auto _ : state) {
    if (threads > 1)
      crew.Run(steps, block);
    else
      for (TSchedule::Step* s : steps) s->Run(block);
  }
}
BENCHMARK(BM_LevelHandOver)->Arg(1)->Arg(2)->UseRealTime();
}  // namespace
