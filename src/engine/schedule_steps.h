#pragma once
// The steps a compiled schedule runs, shared by the compiler that builds them
// (schedule_compile.cpp) and the schedule that runs them (schedule.cpp).
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/schedule.h"

struct TSchedule::Step {
  virtual ~Step() = default;
  virtual void Run(const TSubBlock& b) noexcept = 0;
  virtual bool Loop() const noexcept = 0;
};

namespace schedule_steps {
// Devices of one type outside loops, through their kernel.
struct BatchStep final : TSchedule::Step {
  explicit BatchStep(std::unique_ptr<TBatch> b) : batch(std::move(b)) {}
  void Run(const TSubBlock& b) noexcept override { batch->Run(b); }
  bool Loop() const noexcept override { return false; }
  std::unique_ptr<TBatch> batch;
};

// The devices of one level's feedback loops, each through its own kernel over a range of frames.
// A device can run frame f once each of its sources in the group has published frame f - 1
// (sources outside it finished the sub-block already). So along a loop of k devices each runs k
// frames per call, a frame behind the one feeding it, and a device feeding itself one frame unless
// its kernel is Sequential.
struct LoopStep final : TSchedule::Step {
  struct Member {
    std::unique_ptr<TBatch> batch;  // of this device alone
    std::vector<uint32_t> sources;  // members feeding it, itself when it waits for itself
  };
  void Run(const TSubBlock& b) noexcept override;
  bool Loop() const noexcept override { return true; }
  std::vector<Member> members;  // each after the members feeding it, where a loop allows
  std::vector<int> done;        // frames each member has run in this sub-block
};

}  // namespace schedule_steps
