#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sample_rate.h"

// The header of a queued block: 32 bytes, as the sound card layer expects them.
//
// A block belongs to its device from Queue until the device completes it. Completion clears
// Queued before it sets kDone (with release order), so a thread that has seen kDone may queue the
// block again at once and also sees the data the device wrote into it.
struct WaveHeader {
  static constexpr uint32_t kDone = 1;  // bit 0 of Flags: the block is complete
  int16_t* Data = nullptr;
  uint32_t Length = 0;  // bytes
  std::atomic<uint32_t> Flags{0};
  std::atomic<uint32_t> Queued{0};  // 1 while the block belongs to the device
  uint32_t Reserved[3] = {};

  bool IsDone() const noexcept { return (Flags.load(std::memory_order_acquire) & kDone) != 0; }
  // Whether a device still holds the block; while it does, nobody else may touch its data.
  bool IsHeld() const noexcept { return Queued.load(std::memory_order_acquire) != 0; }
  uint32_t Samples() const noexcept { return Length / sizeof(int16_t); }

  // For the devices: hands the block to the device, clearing kDone; false when it already
  // belongs to one (the block is then left as it is).
  bool Claim() noexcept {
    uint32_t idle = 0;
    if (!Queued.compare_exchange_strong(idle, 1, std::memory_order_acq_rel)) return false;
    Flags.fetch_and(~kDone, std::memory_order_relaxed);
    return true;
  }
  // For the devices: gives the block back without completing it (it could not be queued).
  void Unclaim() noexcept { Queued.store(0, std::memory_order_release); }
  // For the devices: the block is full (input) or played (output).
  void Complete() noexcept {
    Queued.store(0, std::memory_order_release);
    Flags.fetch_or(kDone, std::memory_order_release);
  }
};
static_assert(sizeof(WaveHeader) == 32);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

// One direction of the sound card, opened in the one format (PCM, 2 channels, 44100 Hz, 16 bit).
// Queued blocks complete in queue order; each sets kDone in its header when full (input) or
// played (output). Queueing a block that is still queued is ignored. Every operation is called
// by one thread at a time (the window thread opens and closes, the audio thread streams).
class WaveDevice {
 public:
  virtual ~WaveDevice() = default;
  // Queues a block (prepare + add / write).
  virtual void Queue(WaveHeader& block) = 0;
  // Starts recording (input); nothing for output, which plays as soon as a block is queued.
  virtual void Start() = 0;
  // Takes back a completed block (unprepare).
  virtual void Unprepare(WaveHeader& block) = 0;
  // Closes the device; an error text when that fails, else empty.
  virtual std::string Close() = 0;
};

// Opens devices of one kind of backend.
class WaveSystem {
 public:
  virtual ~WaveSystem() = default;
  enum class Direction { In, Out };
  // Number of devices of the direction.
  virtual int DeviceCount(Direction d) = 0;
  // Opens the first (default) device; on failure returns null and sets error to the text.
  virtual std::unique_ptr<WaveDevice> Open(Direction d, std::string& error) = 0;
};

// The one format of both directions: kSampleRate frames per second of two 16-bit channels.
inline constexpr int kWaveChannels = 2;
