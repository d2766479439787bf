#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <vector>

#include "engine/sample_buffer.h"
#include "platform/audio/wave.h"

// The audio loop (audio thread): keeps the recording blocks queued at the input, waits for each
// to fill, has it processed into the playback block of the same index and queues that at the
// output. By default seven blocks of 3000 frames per direction, and the wait polls the done flag
// every 5 ms. In short-block mode the blocks are shorter, fewer are in flight
// (ShortBlockCount), and the card's completion wakes the loop at once. The devices must be open;
// between Run's start and its return only the loop touches them and the blocks.
class TAudioLoop {
 public:
  static constexpr int kBlockCount = 7;
  static constexpr int kPollMs = 5;
  static constexpr int kPollLooks = 68;  // 340 ms in all
  static constexpr std::chrono::milliseconds kWaitLimit{kPollMs * kPollLooks};
  // How often a wait for a late block asks whether the card is lost.
  static constexpr std::chrono::milliseconds kLostCheck{50};
  // Short blocks: the shortest and longest block, and the recording a late audio thread may
  // fall behind by before input is lost.
  static constexpr int kMinBlockFrames = 64;
  static constexpr int kMaxBlockFrames = TSampleBuffer::kFrames;
  static constexpr int kReserveFrames = 1024;

  using Blocks = std::array<TSampleBuffer, kBlockCount>;
  struct Hooks {
    // Runs the processing cycle over a recorded block into a playback block.
    std::function<void(const TSampleBuffer& in, TSampleBuffer& out)> Process;
    // The simple beep, given when a block did not complete in time.
    std::function<void()> Beep;
    // Whether the loop has been asked to end; asked at the top of each steady-state step.
    std::function<bool()> Terminating;
    // Optional, after each step: the recorded block the patch read, the playback block it wrote
    // when that went to the card (else null: the card still held it, or it was left out), and
    // the frames the card has played as silence so far.
    std::function<void(const TSampleBuffer& in, const TSampleBuffer* out, uint64_t silentFrames)>
        Handed = nullptr;
    // Optional: once the loop's thread runs at real-time priority, for the threads that share its
    // work to follow.
    std::function<void()> RealTime = nullptr;
  };
  // What a run did, for the live runner's summary.
  struct Figures {
    int64_t Blocks = 0;   // processed
    int64_t Late = 0;     // waits that ran out (each beeped)
    int64_t Skipped = 0;  // playback blocks left out to catch up after the output starved
    std::chrono::steady_clock::duration Busy{}, Wall{};  // processing, and the whole run
    bool RealTime = false;  // short blocks: the loop ran at real-time priority
    bool Lost = false;      // the run ended because a device was lost (WaveDevice::Lost)
  };

  // Blocks in flight per direction for short blocks of `frames`: enough to hold kReserveFrames
  // of recording, and at least three (one filling, one being processed, one spare). Queued
  // recording blocks add no latency — a block completes when it is full, however many wait
  // behind it — and playback blocks are queued one at a time as they are processed, so only
  // what a late audio thread let pile up ever waits ahead of the next one.
  static int ShortBlockCount(int frames);
  // Blocks in flight beyond the least seen so far that short-block mode lets stand after the
  // output starved: the card's own cycle may take one more now and then.
  static constexpr int kLagSlack = 1;

  // The default mode.
  TAudioLoop(WaveDevice& in, WaveDevice& out, Blocks& inBuf, Blocks& outBuf, Hooks hooks);
  // Short-block mode over equally many blocks per direction, each set to `frames`. The devices
  // ring `doorbell` from then on, so it must outlive them: a block still held after a failed
  // wait may complete at any time.
  TAudioLoop(WaveDevice& in, WaveDevice& out, std::span<TSampleBuffer> inBuf,
             std::span<TSampleBuffer> outBuf, int frames, WaveDoorbell& doorbell, Hooks hooks);

  // Streams until asked to end, then takes back every block; returns 0. Ends as well, without
  // taking the blocks back, when a device is lost (Stats().Lost).
  int Run();
  const Figures& Stats() const { return figures_; }

 private:
  bool WaitDone(const WaveHeader& header);
  bool Late();
  void TakeBack(WaveDevice& device, TSampleBuffer& block);
  void TakeBackPlayed(int i);
  void Process(int i);
  void Requeue(int i);
  bool CatchingUp();
  void Report(int i, bool handed);

  WaveDevice& in_;
  WaveDevice& out_;
  std::span<TSampleBuffer> inBuf_;
  std::span<TSampleBuffer> outBuf_;
  const int count_;
  WaveDoorbell* doorbell_;  // null: the default mode, which polls
  Hooks hooks_;
  Figures figures_;
  // Stand-ins for blocks that a device still holds after a failed wait.
  TSampleBuffer silence_;
  TSampleBuffer scratch_;
  const TSampleBuffer* processedIn_ = nullptr;  // what the last step's cycle read
  // The playback blocks left out this round; in short-block mode the least number of blocks
  // seen in flight between card and loop, and the output's dropouts already caught up with.
  std::vector<uint8_t> skipped_;
  int leastLag_ = std::numeric_limits<int>::max();
  uint64_t dropoutsSeen_ = 0;
};
