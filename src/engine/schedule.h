#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/canvas.h"
#include "engine/device_type.h"

class NTDevWin;
class NTPlugIn;
class NTPlugOut;
class TSampleBuffer;
class TScheduleCrew;

// The compiled form of a patch: devices outside feedback loops run a sub-block of frames at a
// time from their sources' output histories, batched by type; devices in loops run through the
// same kernels over as many frames as their loop allows: a loop of k devices delays by k frames,
// so each can run k frames ahead of what comes back to it. Every connection still delays by
// exactly one frame, so each value equals the frame-by-frame cycle's bit for bit.
//
// What a device type's kernel (TKernel, TBatch) must do to keep that promise:
// * Any run of frames, 1 to THistories::kFrames, may come: whole sub-blocks outside loops, a few
//   frames at a time inside them, one frame at a time for a device feeding itself (unless its
//   kernel is Sequential). Whatever the kernel keeps between calls (phases, delay lines, filter
//   histories) lives in the device and makes every split give the frames that one run gives.
// * Frame f latches Row(source)[f] and publishes Publish(output)[f]: the values Latch and
//   Compute see and publish in that frame. An unconnected input reads row 0, all zeros; a kernel
//   whose device treats an open input otherwise (keeps its value, publishes silence) tests the
//   port's slot for 0.
// * Controls are read once per call and hold for its frames, where the frame cycle reads them
//   every frame. So the values are the same while no control moves; a control the window thread
//   moves during a block takes effect from the next call, up to a sub-block (5.8 ms) later than
//   the frame cycle would take it, and the frames of that call keep the old setting throughout.
// * Sequential: a kernel that reads frame f's inputs only after it published frame f - 1 may be
//   given a device feeding itself for a whole run; any other kernel then gets one frame a call.
// * Arithmetic keeps the frame form's order and rounding: the build forbids contracting a product
//   and a sum into a fused multiply-add, sums of doubles keep their order, and a faster form (32
//   bits instead of 64, a product instead of a division, lanes of a vector) is used only where it
//   is exact for every value it is given, with the frame form behind it for the rest.
// * After a run the schedule stores each output's last value into its Value and latches each
//   input as TKernel::Inputs says, so a saved patch reads as after the frame cycle.
// * Like Latch and Compute: noexcept, no allocation, no lock, no system call.

// Every output's values over one sub-block: row[0] is what it published before the sub-block,
// row[1 + f] what it publishes in frame f. An input latches row[f] of its source in frame f.
// Row 0 is all zeros: the row of an unconnected input.
class THistories {
 public:
  static constexpr int kFrames = 256;
  // A row's kFrames + 1 values, rounded up to whole 32-byte vectors: every row starts as aligned
  // as the first, and a vector loaded at any frame of the sub-block stays inside its row.
  static constexpr int kStride = kFrames + 8;

  explicit THistories(size_t rows) : data_(rows * kStride) {}
  int32_t* Row(int32_t slot) noexcept { return data_.data() + size_t(slot) * kStride; }

 private:
  std::vector<int32_t> data_;
};

// What a batch sees of one run of frames: a sub-block or a part of one.
struct TSubBlock {
  THistories& H;
  int Frames;         // 1..kFrames
  const int16_t* In;  // the sound card's frames, interleaved stereo
  int16_t* Out;       // the frames to be played; silence unless an Output writes them
  int First = 0;      // the histories' frame that is this sub-block's frame 0
  int64_t Clock = 0;  // the processing clock's frame that is this sub-block's frame 0
  const int32_t* Row(int32_t slot) const noexcept { return H.Row(slot) + First; }
  // Where the values published in frames 0..Frames-1 go.
  int32_t* Publish(int32_t slot) const noexcept { return H.Row(slot) + First + 1; }
  // Frames [from, to) of this sub-block as a sub-block of their own.
  TSubBlock Range(int from, int to) const noexcept {
    return {H, to - from, In + 2 * from, Out + 2 * from, First + from, Clock + from};
  }
};

// A device's connectors as history rows, in child order: In[k] = the source's row (0 when
// unconnected), Out[k] = the output's own row.
struct TPorts {
  std::vector<int32_t> In, Out;
};

// Runs devices of one type over a run of frames (audio thread): reads their controls and state,
// computes every frame, stores the state back. Inside a loop a batch holds one device.
class TBatch {
 public:
  virtual ~TBatch() = default;
  virtual void Run(const TSubBlock& b) noexcept = 0;
};

// How the compiled schedule runs a device type, inside loops and outside them.
struct TKernel {
  // What an input latches after a sub-block: its source's value of the last frame, or, when
  // unconnected, 0 (Zero), its old value (Keep); None: the device never latches into Value.
  enum class Latch { Zero, Keep, None };
  std::unique_ptr<TBatch> (*Make)(std::span<NTDevWin* const> devices,
                                  std::span<const TPorts> ports);
  Latch Inputs = Latch::Zero;
  // Runs after every other device, with every device of its type in list order (the Output,
  // whose later instances overwrite the earlier ones' samples).
  bool Sink = false;
  // Reads a frame's inputs only after publishing the frame before, so that a device feeding
  // itself can run many frames in one call; otherwise such a device runs a frame per call.
  bool Sequential = false;
};
// The kernel of a device type, or null: a patch with such a device runs frame by frame.
using TKernelLookup = const TKernel* (*)(DeviceType type);

class TSchedule {
 public:
  // Null when the wiring names an output outside the list (never for a sound patch) or a device
  // has no kernel. For threads > 1 a level's batches are cut into up to that many parts each, so
  // that a crew of as many threads can share them.
  static std::unique_ptr<TSchedule> Compile(std::span<NTDevWin* const> devices,
                                            TKernelLookup kernels, uint64_t version,
                                            int threads = 1);
  ~TSchedule();

  // The device list version the schedule was compiled from.
  uint64_t Version() const noexcept { return version_; }
  // Whether every input still has the source it was compiled with (audio thread).
  bool Current() const noexcept;
  // Runs frames [0, frames) of the given stereo frames, a sub-block at a time, as long as the
  // wiring stays as compiled (checked before each sub-block but the first); returns the frames
  // run. With a crew, the steps of each level large enough to share run on its threads too; the
  // values are the same.
  int Run(TFrameIo& io, const int16_t* in, int16_t* out, int frames,
          TScheduleCrew* crew = nullptr) noexcept;

  // How many steps run loops, and how many batches outside them (tests, benchmarks).
  size_t LoopSteps() const noexcept;
  size_t BatchSteps() const noexcept;

  struct Step;
  struct Wire {
    NTPlugIn* In;
    NTPlugOut* Source;
  };
  struct LatchBack {
    NTPlugIn* In;
    int32_t Slot;
    TKernel::Latch Rule;
  };

 private:
  friend class TScheduleSlot;
  TSchedule(uint64_t version, size_t slots);
  void RunLevels(const TSubBlock& b, TScheduleCrew* crew) noexcept;

  // Steps that may run in any order and at once: parts_[First, First + Count).
  struct Level {
    uint32_t First, Count;
    // The least time per frame the level took on one thread in the sub-blocks timed so far.
    double NsPerFrame;
  };
  // Sub-blocks timed to learn which levels are worth handing over; they run on one thread.
  static constexpr int kTimedSubBlocks = 4;

  uint64_t version_;
  // The count of source changes at which every input was last found as compiled (audio thread).
  mutable uint64_t comparedAt_ = UINT64_MAX;
  TSchedule* nextRetired_ = nullptr;
  THistories hist_;
  std::vector<NTPlugOut*> outputs_;  // by slot; [0] unused
  std::vector<Wire> wiring_;
  std::vector<LatchBack> latchBack_;
  std::vector<std::unique_ptr<Step>> steps_;
  std::vector<Step*> parts_;  // steps_ by level
  std::vector<Level> levels_;
  int timed_ = 0;  // sub-blocks timed (audio thread)
};

// Hands compiled schedules from the window thread to the audio thread, which takes a new one at
// the start of a block; the replaced one goes back to the window thread to be freed. Neither
// side waits or (on the audio side) allocates.
class TScheduleSlot {
 public:
  TScheduleSlot() = default;
  ~TScheduleSlot();
  TScheduleSlot(const TScheduleSlot&) = delete;
  TScheduleSlot& operator=(const TScheduleSlot&) = delete;

  // Window thread: s replaces any schedule not yet taken; frees those the audio thread is done
  // with.
  void Publish(std::unique_ptr<TSchedule> s);
  // Window thread: whether the audio thread found its schedule out of date since the last
  // Publish.
  bool Stale() const noexcept { return stale_.load(std::memory_order_relaxed); }

  // Audio thread: the schedule to use now (taking a newly published one), or null.
  TSchedule* Take() noexcept;
  void MarkStale() noexcept { stale_.store(true, std::memory_order_relaxed); }

  // The threads that share the schedule's levels (none: the audio thread alone). Set before the
  // audio starts; the crew outlives the slot's use.
  void UseCrew(TScheduleCrew* crew) noexcept { crew_ = crew; }
  TScheduleCrew* Crew() const noexcept { return crew_; }

 private:
  void Retire(TSchedule* s) noexcept;
  void FreeRetired();

  std::atomic<TSchedule*> pending_{nullptr};
  TSchedule* current_ = nullptr;              // audio thread
  std::atomic<TSchedule*> retired_{nullptr};  // a list through nextRetired_
  std::atomic<bool> stale_{false};
  TScheduleCrew* crew_ = nullptr;
};

// The processing cycle: frame by frame with the reference cycle (engine/frame_cycle.h) while the
// slot's schedule does not match the device list or its wiring (asking the window thread for a
// new one), through the schedule otherwise.
void ProcessScheduled(TScheduleSlot& slot, uint64_t version, std::span<NTDevWin* const> devices,
                      TFrameIo& io, const TSampleBuffer& in, TSampleBuffer& out);
