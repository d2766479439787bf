#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/wave.h"

// How a memory sound card moves its blocks.
enum class WavePace {
  Immediate,  // a block completes as soon as it is queued (input: once recording has started)
  RealTime,   // a worker thread per device completes each block after its length of real time
};

struct MemoryWaveOptions {
  WavePace Pace = WavePace::Immediate;
  // Interleaved stereo samples the input records, in order; silence after their end.
  std::vector<int16_t> Input{};
  // The input takes blocks but never completes one.
  bool StalledInput = false;
  // Not paced: after this many input blocks (0: never) the card is lost, as when its server
  // ends: it completes nothing more and reports Lost.
  int LostAfterBlocks = 0;
  // Real-time input runs this many times slower than the sound it records.
  int InputSlowdown = 1;
  // Devices reported per direction; 0 makes DeviceCount report none.
  int InDevices = 1;
  int OutDevices = 1;
  // Non-empty: opening the direction fails with this text.
  std::string InOpenError{};
  std::string OutOpenError{};
  // Non-empty: closing either device reports this text.
  std::string CloseError{};
  // What the system lists; the choice of devices (number or name) as the user gave it.
  std::vector<WaveDeviceInfo> Devices{};
  WaveSettings Choice{};
};

// A sound card in memory for tests: records from a buffer, captures what is played, and counts
// what was asked of it. Its counters may be read from any thread while devices stream.
class MemoryWaveSystem : public WaveSystem {
 public:
  using Clock = std::chrono::steady_clock;

  explicit MemoryWaveSystem(MemoryWaveOptions options);
  ~MemoryWaveSystem() override;

  int DeviceCount(Direction d) override;
  std::unique_ptr<WaveDevice> Open(Direction d, std::string& error) override;
  std::vector<WaveDeviceInfo> List() override;

  int Opens(Direction d) const;
  int Unprepares(Direction d) const;
  int Closes(Direction d) const;
  // The listed device the last Open of the direction chose; -1 for the default.
  int Opened(Direction d) const;
  // Every sample played so far, in order (silence while nothing was queued is not included).
  std::vector<int16_t> Played() const;
  // Real-time pacing: when input frame `frame` reached the card, and when played frame `frame`
  // (an index into the frames of Played) left it.
  Clock::time_point RecordedAt(int64_t frame) const;
  Clock::time_point PlayedAt(int64_t frame) const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};
