#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/spsc_ring.h"

// What a recording writes into: the sound file writer, or a stand-in in tests. Used by the
// writer thread only.
class TRecordFile {
 public:
  virtual ~TRecordFile() = default;
  virtual bool Write(const int16_t* stereo, long frames) = 0;
  // Makes what has been written readable even if the program ends without Close.
  virtual bool UpdateHeader() = 0;
  virtual bool Close() = 0;
  // What went wrong, in German, without the file name.
  virtual const std::string& Error() const = 0;
};

// Records the blocks the audio thread hands to the sound card, and the recorded blocks the patch
// processed into them, into a file each. The audio thread only copies into rings of fixed size;
// a writer thread of the recorder's own empties them into the files. A writer that falls behind
// by a whole ring, or fails, ends the recording; the sound never waits for it.
class TRecorder {
 public:
  // How far the writer may fall behind.
  static constexpr std::chrono::milliseconds kDefaultRing{4000};
  static constexpr std::chrono::seconds kHeaderInterval{1};

  explicit TRecorder(std::chrono::milliseconds ring = kDefaultRing);
  ~TRecorder();
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  // Window thread, while not Busy: records into `output` (and `input`, which may be null) from
  // the audio thread's next step on.
  void Start(std::unique_ptr<TRecordFile> output, std::unique_ptr<TRecordFile> input);
  // Window thread: ends the recording at the audio thread's next step; the writer then completes
  // the files (see Finished).
  void Stop();
  // The audio thread, after its last step: a recording still going ends here.
  void AudioEnded() noexcept;

  // Audio thread, once per step of the loop: `played` is the block just handed to the card
  // (empty when none was), `heard` the recorded block the patch processed into it, and
  // `silentFrames` the frames the card has played as silence so far. The silence the card
  // played since the last step goes into the files before the block, so they stay in time.
  void Step(std::span<const int16_t> heard, std::span<const int16_t> played,
            uint64_t silentFrames) noexcept;

  // Any thread. A recording has been started and its files are not complete yet.
  bool Busy() const noexcept { return busy_.load(std::memory_order_acquire); }
  // Frames recorded so far (silence included), and the interruptions of the sound among them.
  int64_t Frames() const noexcept { return frames_.load(std::memory_order_relaxed); }
  int64_t Dropouts() const noexcept { return dropouts_.load(std::memory_order_relaxed); }

  struct Outcome {
    enum Kind {
      Complete,  // ended when asked
      Overrun,   // the writer fell behind: the recording ends where it did
      Failed,    // a file could not be written: Error says why
    } kind = Complete;
    std::string Error;
    int64_t Frames = 0, Dropouts = 0;
  };
  // Window thread: once the files are complete, how the recording ended (once); nullopt while
  // it runs or when none ran.
  std::optional<Outcome> Finished();
  // Window thread, after Stop or the audio thread's end: waits for the files to be complete.
  std::optional<Outcome> Wait();

 private:
  struct Gap {
    uint64_t At;      // the sample of the track before which the silence goes
    uint64_t Frames;  // its length
  };
  struct Track {
    explicit Track(size_t samples);
    SpscRing<int16_t> Samples;
    SpscRing<Gap> Gaps;
    std::unique_ptr<TRecordFile> File;
  };
  enum State : int { kIdle, kArmed, kRecording, kStopping, kEnded, kOverrun };

  bool Record(std::span<const int16_t> heard, std::span<const int16_t> played,
              uint64_t gap) noexcept;
  void Write();
  bool Drain(Track& track);
  bool WriteSilence(TRecordFile& file, uint64_t frames);
  bool AskToStop() noexcept;

  const size_t ringSamples_;
  // Allocated by the first recording; a second file only with the input.
  std::unique_ptr<Track> tracks_[2];
  int trackCount_ = 0;
  std::atomic<int> state_{kIdle};
  std::atomic<bool> busy_{false};
  std::atomic<bool> written_{false};  // the writer has completed the files
  std::atomic<int64_t> frames_{0}, dropouts_{0};
  uint64_t silentSeen_ = 0;  // audio thread
  std::thread writer_;
  Outcome outcome_;  // writer thread until written_
  const std::vector<int16_t> silence_;
};
