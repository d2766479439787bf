#pragma once
#include <semaphore.h>

#include <cerrno>
#include <chrono>
#include <ctime>

// Wakes the audio thread when the sound card completes a block. Ringing is one semaphore post:
// it neither blocks nor allocates, so a card may ring from its real-time callback. Rings past the
// counter's limit are dropped (sem_post reports it and does no harm); a waiter looks at its block
// after every wake anyway, so extra rings only cost a look.
class WaveDoorbell {
 public:
  using Clock = std::chrono::steady_clock;

  WaveDoorbell() { sem_init(&sem_, 0, 0); }
  ~WaveDoorbell() { sem_destroy(&sem_); }
  WaveDoorbell(const WaveDoorbell&) = delete;
  WaveDoorbell& operator=(const WaveDoorbell&) = delete;

  void Ring() noexcept { sem_post(&sem_); }

  // Waits for a ring until the deadline; false when the time ran out.
  bool WaitUntil(Clock::time_point deadline) noexcept {
    // The steady clock is CLOCK_MONOTONIC.
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count();
    const timespec at{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
    for (;;) {
      if (sem_clockwait(&sem_, CLOCK_MONOTONIC, &at) == 0) return true;
      if (errno != EINTR) return false;
    }
  }

 private:
  sem_t sem_;
};
