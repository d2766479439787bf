#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio/doorbell.h"

#include "platform/audio/midi_input.h"
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
  // For the owner, once the device that held the block is closed (a lost card never completes
  // what it held): the block is idle again and may be queued at another device.
  void Release() noexcept {
    Queued.store(0, std::memory_order_release);
    Flags.store(0, std::memory_order_release);
  }
  // For the devices: the block is full (input) or played (output).
  void Complete() noexcept {
    Queued.store(0, std::memory_order_release);
    Flags.fetch_or(kDone, std::memory_order_release);
  }
};
static_assert(sizeof(WaveHeader) == 32);
static_assert(std::atomic<uint32_t>::is_always_lock_free);

// The completing side of a device: completes a block and then rings the doorbell, if one is set.
class WaveCompletion {
 public:
  // From now on every completion rings `bell` (null: none); set before the blocks are queued.
  void SetDoorbell(WaveDoorbell* bell) noexcept { bell_.store(bell, std::memory_order_release); }
  void Complete(WaveHeader& block) noexcept {
    block.Complete();
    if (WaveDoorbell* bell = bell_.load(std::memory_order_acquire)) bell->Ring();
  }

 private:
  std::atomic<WaveDoorbell*> bell_{nullptr};
};

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
  // Rings `bell` after every block that completes from now on (audio thread, before queueing).
  virtual void SetDoorbell(WaveDoorbell* bell) = 0;
  // Interruptions of the sound so far: input lost or output starved between blocks. Any thread
  // may ask.
  virtual uint64_t Dropouts() const { return 0; }
  // Output: the frames the card played as silence because no block was queued, from its first
  // block on.
  virtual uint64_t SilentFrames() const { return 0; }
  // Cycles the sound server itself reported late (JACK's xruns), which may or may not have
  // reached this program's blocks.
  virtual uint64_t Xruns() const { return 0; }
  // The rate the card itself runs at; the blocks hold kSampleRate frames per second whatever it
  // is (the device converts). For telling the user only.
  virtual int CardRate() const { return kSampleRate; }
  // Whether the card or the sound server has gone for good (the server ended, the stream
  // stopped by itself): no queued block will complete any more. Any thread may ask; the audio
  // thread asks while it waits for a block that is late.
  virtual bool Lost() const { return false; }
};

// A device as the sound library lists it.
struct WaveDeviceInfo {
  int Index = 0;
  std::string HostApi;
  std::string Name;
  int InChannels = 0;
  int OutChannels = 0;
};

// What the user chose for the sound card; the defaults are the program's own behaviour.
struct WaveSettings {
  // A device number (as listed) or a name, or a unique part of one; empty: the default device.
  std::string In{}, Out{};
  // Frames the card should move per callback; 0: the card's own choice.
  int BlockFrames = 0;
  // Under JACK: connect the ports to the system's capture and playback ports.
  bool Connect = true;
};

// Opens devices of one kind of backend.
class WaveSystem {
 public:
  virtual ~WaveSystem() = default;
  enum class Direction { In, Out };
  // Number of devices of the direction.
  virtual int DeviceCount(Direction d) = 0;
  // Opens the first (default) or the chosen device; on failure returns null and sets error to
  // the text.
  virtual std::unique_ptr<WaveDevice> Open(Direction d, std::string& error) = 0;
  // Every device the system sees, in its own numbering.
  virtual std::vector<WaveDeviceInfo> List() = 0;
  // A MIDI input on the system's own connection (JACK's), or null when it has none.
  virtual std::unique_ptr<MidiInput> OpenMidi() { return nullptr; }
};

// The index of the device `choice` names for direction d in `list`: its number, its name, or a
// part of exactly one name (letter case ignored). Null with a German error text otherwise.
std::optional<int> FindWaveDevice(const std::vector<WaveDeviceInfo>& list, WaveSystem::Direction d,
                                  const std::string& choice, std::string& error);

// The one format of both directions: kSampleRate frames per second of two 16-bit channels.
inline constexpr int kWaveChannels = 2;
