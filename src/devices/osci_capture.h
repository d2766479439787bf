#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "platform/relaxed.h"
#include "platform/sample_rate.h"

// The oscilloscope's recorder: a trigger state machine that records four channels column by
// column into a ring, and the hand-over of a finished recording to the window thread. Knows
// nothing of windows, so it can be exercised on its own.
namespace osci {

constexpr int kChannels = 4;
constexpr int kColumns = 301;

// Ranges of the controls the recorder depends on. Values from a damaged file may lie outside;
// they are clamped where they are used.
constexpr int32_t kMinTimeBase = -13, kMaxTimeBase = 6;
constexpr int32_t kMinTriggerPos = -900, kMaxTriggerPos = 300;
constexpr int32_t kMaxLevel = 240;  // the level spans -kMaxLevel..MaxLevel pixels

// One column of a trace: the value at the frame that opened it and the range it covered.
struct TColumn {
  int32_t First = 0, Min = 0, Max = 0;
  bool operator==(const TColumn&) const = default;
};
using TTrace = std::array<TColumn, kColumns>;
using TTraces = std::array<TTrace, kChannels>;
// One frame of the four channels, in screen pixels.
using TFrame = std::array<int32_t, kChannels>;

enum CaptureState : int32_t {
  Idle = 0,
  Armed = 1,
  PreTrigger = 2,
  WaitTrigger = 3,
  PostTrigger = 4,
  WaitDelayed = 5,  // waiting for the trigger when the recording starts after it
  Delay = 6,
  AfterDelay = 7,
  Complete = 10,
};

// Added to the step accumulator every frame; a column is finished at each kSampleRate.
int32_t ColumnStep(int32_t timeBase) noexcept;

// The control words read on the audio thread: time base and trigger position when a recording
// is armed, level and slope key (0 plus, 1 minus; a damaged file's other keys count as the nearest)
// at every trigger test.
struct TTriggerControls {
  const Relaxed<int32_t>& TimeBase;
  const Relaxed<int32_t>& Position;
  const Relaxed<int32_t>& Level;
  const Relaxed<int32_t>& Slope;
};

// The state word is the hand-over point. The audio thread owns the ring and the bookkeeping in
// states 1..7 and moves the state on only by compare-exchange, so a cancel from the window
// thread (any state -> 0, at once) always wins over a transition computed from the state it
// replaced; nobody ever has to wait for the audio thread, which may not be running. The window
// thread reads the ring only after seeing state 10 with acquire order, which makes the ring
// contents written before the audio thread's release visible. (Should a cancel and a new arming
// both fall between the audio thread's reading of state 1 and its compare-exchange, that one
// recording runs with the settings read before the cancel; the next one is right.)
class TOsciCapture {
 public:
  // Audio thread: one frame of latched values and the trigger channel's value among them.
  void Step(const TFrame& frame, int32_t trigger, const TTriggerControls& controls) noexcept;

  // Window thread.
  // 0 -> 1; returns whether a recording was armed.
  bool Arm() noexcept;
  // In state 10: copies the recording oldest column first into traces, returns to 0 and
  // returns true. Otherwise leaves everything as it is and returns false.
  bool Take(TTraces& traces) noexcept;
  // Any state -> 0: a recording in progress is dropped.
  void Cancel() noexcept;

  int32_t State() const noexcept { return state_.load(std::memory_order_acquire); }
  // Audio thread: whether Step would look at a frame now. Idle and complete, it would do nothing.
  bool Recording() const noexcept {
    const int32_t s = State();
    return s != Idle && s != Complete;
  }

 private:
  void Start(int32_t state, int32_t trigger, const TTriggerControls& controls) noexcept;
  // Records the frame; returns whether it finished a column.
  bool Record(const TFrame& frame) noexcept;
  bool TriggerFires(int32_t value, const TTriggerControls& controls) noexcept;
  void Advance(int32_t from, int32_t to) noexcept;

  std::atomic<int32_t> state_{Idle};
  TTraces ring_{};
  // Audio thread only (read by the window thread in state 10).
  int32_t count_ = 0;
  int32_t index_ = 0;
  int32_t previous_ = 0;
  int32_t position_ = 0;
  int32_t step_ = kSampleRate;
  int32_t accumulator_ = 0;
  bool open_ = false;
};

}  // namespace osci
