#pragma once
#include <array>
#include <functional>

#include "engine/sample_buffer.h"
#include "platform/audio/wave.h"

// The audio loop (audio thread): keeps the seven recording blocks queued at the input, waits
// for each to fill by polling its done flag, has it processed into the playback block of the
// same index and queues that at the output. The devices must be open; between Run's start and
// its return only the loop touches them and the blocks.
class TAudioLoop {
 public:
  static constexpr int kBlockCount = 7;
  static constexpr int kPollMs = 5;
  static constexpr int kPollLooks = 68;  // 340 ms in all

  using Blocks = std::array<TSampleBuffer, kBlockCount>;
  struct Hooks {
    // Runs the processing cycle over a recorded block into a playback block.
    std::function<void(const TSampleBuffer& in, TSampleBuffer& out)> Process;
    // The simple beep, given when a block did not complete in time.
    std::function<void()> Beep;
    // Whether the loop has been asked to end; asked at the top of each steady-state step.
    std::function<bool()> Terminating;
  };

  TAudioLoop(WaveDevice& in, WaveDevice& out, Blocks& inBuf, Blocks& outBuf, Hooks hooks);

  // Streams until asked to end, then takes back every block; returns 0.
  int Run();

 private:
  bool WaitDone(const WaveHeader& header);
  void TakeBack(WaveDevice& device, TSampleBuffer& block);
  void Process(int i);
  void Requeue(int i);

  WaveDevice& in_;
  WaveDevice& out_;
  Blocks& inBuf_;
  Blocks& outBuf_;
  Hooks hooks_;
  // Stand-ins for blocks that a device still holds after a failed wait.
  TSampleBuffer silence_;
  TSampleBuffer scratch_;
};
