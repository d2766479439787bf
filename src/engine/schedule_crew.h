#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "engine/schedule.h"

// Helper threads that run the independent steps of a schedule's level beside the audio thread.
// The audio thread hands a level over by one atomic word; each thread claims steps from it until
// none is left, and the audio thread waits only for steps a helper has claimed. A helper that
// sleeps or is not scheduled just leaves its share to the audio thread, so a level never waits for
// a thread that has not started on it, and who runs which step changes no value.
class TScheduleCrew {
 public:
  // A level whose steps take less than this on one thread runs on the audio thread alone: below
  // it the hand-over (a few hundred nanoseconds between cores) outweighs what a helper saves.
  static constexpr std::chrono::nanoseconds kLine{20000};

  // threads counts the audio thread: threads - 1 helpers start here, before any audio runs.
  // line 0 hands over every level of more than one step (tests).
  explicit TScheduleCrew(int threads, std::chrono::nanoseconds line = kLine);
  ~TScheduleCrew();
  TScheduleCrew(const TScheduleCrew&) = delete;
  TScheduleCrew& operator=(const TScheduleCrew&) = delete;

  int Threads() const noexcept { return int(helpers_.size()) + 1; }
  // Runs the helpers at the real-time priority the audio thread took (platform/realtime.h): an
  // ordinary helper that the system holds back while it runs a claimed step holds up the audio
  // thread, which waits for that step. False when the system does not allow it for every helper.
  bool RaiseToRealTime();
  std::chrono::nanoseconds Line() const noexcept { return line_; }

  // Audio thread: runs each step over b, shared with the helpers that are awake; returns when all
  // have run. No allocation, lock or system call.
  void Run(std::span<TSchedule::Step* const> steps, const TSubBlock& b) noexcept;

 private:
  bool Claim(uint32_t& step) noexcept;
  void RunStep(uint32_t step) noexcept;
  void Help(const std::stop_token& stop) noexcept;

  const std::chrono::nanoseconds line_;
  // The level handed over: its step count in the upper half, the next step to claim in the lower.
  alignas(64) std::atomic<uint64_t> work_{0};
  alignas(64) std::atomic<uint32_t> doneByHelpers_{0};
  // The level's steps and sub-block, and the audio thread's floating-point mode; written before
  // work_ is set, read by whoever claimed a step of it.
  alignas(64) TSchedule::Step* const* steps_ = nullptr;
  const TSubBlock* block_ = nullptr;
  uint32_t floatMode_ = 0;
  std::vector<std::jthread> helpers_;
};
