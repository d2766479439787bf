#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// The header of a queued block: 32 bytes, as the sound card layer expects them.
struct WaveHeader {
  static constexpr uint32_t Done = 1;  // bit 0 of Flags: the block is complete
  int16_t* Data = nullptr;
  uint32_t Length = 0;       // bytes
  std::atomic<uint32_t> Flags{0};
  std::atomic<uint32_t> Queued{0};  // 1 while the block belongs to the device
  uint32_t Reserved[3] = {};
};
static_assert(sizeof(WaveHeader) == 32);

// One direction of the sound card, opened in the one format (PCM, 2 channels, 44100 Hz, 16 bit).
// Queued blocks complete in queue order; each sets Done in its header when full (input) or
// played (output). Queueing a block that is still queued is ignored.
class WaveDevice {
 public:
  virtual ~WaveDevice() = default;
  // Queues a block (prepare + add / write).
  virtual void Queue(WaveHeader& block) = 0;
  // Starts recording (input); nothing for output.
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
