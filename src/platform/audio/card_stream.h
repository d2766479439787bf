#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/block_stream.h"

struct soxr;

// The queued blocks of one direction as the card's callback sees them, at the card's own rate.
// At kSampleRate the frames go straight to the blocks, untouched; at any other rate libsoxr
// converts between the card's rate and kSampleRate here, so that the blocks — and everything
// above them — always hold kSampleRate frames per second.
//
// Two conversions, by what matters more. With short blocks (live playing, where every
// millisecond counts) soxr's cubic interpolation: 0.8 ms of delay in and out together at 48000
// Hz, 0.01 dB down at 1 kHz and 1.9 dB at 15 kHz. Otherwise soxr's 16-bit "low" quality with
// linear phase and its smallest transforms (2^8): 3.2 ms in and out together, flat to well past
// the audible band (its larger qualities buffer 10 to 20 ms more each way). Both converters are
// created and run through a quarter second of silence when the rate is set, so that the
// callback finds their buffers grown to size: no allocation, no lock there.
class CardStream {
 public:
  // The most card frames the conversion takes in one piece; a callback's larger requests are
  // split.
  static constexpr size_t kMaxPiece = 256;

  CardStream();
  ~CardStream();
  CardStream(const CardStream&) = delete;
  CardStream& operator=(const CardStream&) = delete;

  // Before streaming: the card's rate for this direction (input: the card records), and whether
  // the stream moves short blocks (the quick conversion). An error text when the conversion
  // cannot be set up, else empty.
  std::string SetCardRate(int rate, bool input, bool shortBlocks = false);
  int CardRate() const noexcept { return rate_ ? rate_ : kSampleRate; }

  // As BlockStream's, for the queueing thread.
  void Queue(WaveHeader& block) noexcept { blocks_.Queue(block); }
  void SetDoorbell(WaveDoorbell* bell) noexcept { blocks_.SetDoorbell(bell); }
  uint64_t Dropouts() const noexcept { return blocks_.Dropouts(); }
  // In frames at kSampleRate, as the blocks count them.
  uint64_t SilentFrames() const noexcept { return blocks_.SilentFrames(); }

  // Callback: interleaved stereo samples at the card's rate.
  void Record(const int16_t* in, size_t samples) noexcept;
  void Play(int16_t* out, size_t samples) noexcept;

 private:
  struct Deleter {
    void operator()(soxr* s) const noexcept;
  };
  void RecordPiece(const int16_t* in, size_t frames) noexcept;
  void PlayPiece(int16_t* out, size_t frames) noexcept;

  BlockStream blocks_;
  int rate_ = 0;  // 0: not set, taken as kSampleRate
  std::unique_ptr<soxr, Deleter> soxr_;
  // Converted recording on its way to the blocks; the unconverted playback that soxr has not
  // taken yet (pulled from the blocks in small steps, so that little waits here).
  static constexpr size_t kPullFrames = 32;
  int16_t converted_[4 * kMaxPiece * 2] = {};
  int16_t pulled_[kPullFrames * 2] = {};
  size_t pulledAt_ = kPullFrames;  // frames of pulled_ already taken
};
