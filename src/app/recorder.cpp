#include "app/recorder.h"

#include <algorithm>
#include <utility>

#include "platform/sample_rate.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kChannels = 2;
// How often the writer looks into the rings: a small part of what they hold.
constexpr std::chrono::milliseconds kWriterPause{20};
// Interruptions waiting to be written; each costs the writer only a moment.
constexpr size_t kGaps = 256;
constexpr long kSilenceFrames = 4096;
}  // namespace

TRecorder::Track::Track(size_t samples) : Samples(samples), Gaps(kGaps) {}

TRecorder::TRecorder(std::chrono::milliseconds ring)
    : ringSamples_(size_t(ring.count() * kSampleRate / 1000 * kChannels)),
      silence_(size_t(kSilenceFrames * kChannels)) {}

TRecorder::~TRecorder() {
  AudioEnded();
  Wait();
}

void TRecorder::Start(std::unique_ptr<TRecordFile> output, std::unique_ptr<TRecordFile> input) {
  std::unique_ptr<TRecordFile> files[2] = {std::move(output), std::move(input)};
  trackCount_ = files[1] ? 2 : 1;
  for (int t = 0; t < trackCount_; ++t) {
    if (!tracks_[t]) tracks_[t] = std::make_unique<Track>(ringSamples_);
    tracks_[t]->Samples.Clear();
    tracks_[t]->Gaps.Clear();
    tracks_[t]->File = std::move(files[t]);
  }
  frames_ = 0;
  dropouts_ = 0;
  outcome_ = {};
  written_ = false;
  busy_ = true;
  writer_ = std::thread([this] { Write(); });
  state_.store(kArmed, std::memory_order_release);
}

// From Armed or Recording only: whatever else the state is, the recording is over already.
bool TRecorder::AskToStop() noexcept {
  for (int s : {kArmed, kRecording})
    if (state_.compare_exchange_strong(s, kStopping, std::memory_order_acq_rel)) return true;
  return false;
}

void TRecorder::Stop() {
  AskToStop();
}

void TRecorder::AudioEnded() noexcept {
  for (int s : {kArmed, kRecording, kStopping})
    if (state_.compare_exchange_strong(s, kEnded, std::memory_order_acq_rel)) return;
}

void TRecorder::Step(std::span<const int16_t> heard, std::span<const int16_t> played,
                     uint64_t silentFrames) noexcept {
  int s = state_.load(std::memory_order_acquire);
  if (s == kArmed) {
    // The silence before the first block is none of this recording's.
    silentSeen_ = silentFrames;
    if (state_.compare_exchange_strong(s, kRecording, std::memory_order_acq_rel)) s = kRecording;
  }
  if (s == kStopping) state_.store(kEnded, std::memory_order_release);
  if (s != kRecording) return;
  const uint64_t gap = silentFrames - std::exchange(silentSeen_, silentFrames);
  if (!Record(heard, played, gap)) state_.store(kOverrun, std::memory_order_release);
}

// Everything of a step or nothing, into every file, so that the files stay in step.
bool TRecorder::Record(std::span<const int16_t> heard, std::span<const int16_t> played,
                       uint64_t gap) noexcept {
  const std::span<const int16_t> blocks[2] = {played, heard.first(played.size())};
  for (int t = 0; t < trackCount_; ++t)
    if (tracks_[t]->Samples.Room() < played.size() || (gap && tracks_[t]->Gaps.Room() == 0))
      return false;
  for (int t = 0; t < trackCount_; ++t) {
    Track& track = *tracks_[t];
    if (gap) track.Gaps.Push(std::span<const Gap>({Gap{track.Samples.Pushed(), gap}}));
    track.Samples.Push(blocks[t]);
  }
  if (gap) dropouts_.fetch_add(1, std::memory_order_relaxed);
  frames_.fetch_add(int64_t(gap + played.size() / kChannels), std::memory_order_relaxed);
  return true;
}

// The writer thread: empties the rings every little while and brings the headers up to date
// every second, until the audio thread has let go of the rings and they are empty.
void TRecorder::Write() {
  bool ok = true;
  Clock::time_point headerDue = Clock::now() + kHeaderInterval;
  for (;;) {
    // Seen before the last look into the rings: what the audio thread pushed is all there.
    const int s = state_.load(std::memory_order_acquire);
    const bool last = s == kEnded || s == kOverrun;
    for (int t = 0; ok && t < trackCount_; ++t) ok = Drain(*tracks_[t]);
    if (!ok) AskToStop();
    if (last) {
      if (ok && s == kOverrun) outcome_.kind = Outcome::Overrun;
      break;
    }
    if (ok && Clock::now() >= headerDue) {
      headerDue += kHeaderInterval;
      for (int t = 0; ok && t < trackCount_; ++t) ok = tracks_[t]->File->UpdateHeader();
    }
    std::this_thread::sleep_for(kWriterPause);
  }
  for (int t = 0; t < trackCount_; ++t) {
    TRecordFile& file = *tracks_[t]->File;
    if (!file.Close() && ok) ok = false;
    if (!ok && outcome_.Error.empty()) outcome_.Error = file.Error();
  }
  if (!ok) outcome_.kind = Outcome::Failed;
  outcome_.Frames = Frames();
  outcome_.Dropouts = Dropouts();
  written_.store(true, std::memory_order_release);
}

bool TRecorder::Drain(Track& track) {
  for (;;) {
    // The samples first: a gap pushed before them is then visible too.
    std::span<const int16_t> ready = track.Samples.Front();
    const std::span<const Gap> gap = track.Gaps.Front(1);
    const uint64_t at = track.Samples.Popped();
    if (!gap.empty() && gap[0].At == at) {
      if (!WriteSilence(*track.File, gap[0].Frames)) return false;
      track.Gaps.Pop(1);
      continue;
    }
    if (!gap.empty()) ready = ready.first(std::min<size_t>(ready.size(), gap[0].At - at));
    if (ready.empty()) return true;
    if (!track.File->Write(ready.data(), long(ready.size() / kChannels))) return false;
    track.Samples.Pop(ready.size());
  }
}

bool TRecorder::WriteSilence(TRecordFile& file, uint64_t frames) {
  while (frames > 0) {
    const long n = long(std::min<uint64_t>(frames, kSilenceFrames));
    if (!file.Write(silence_.data(), n)) return false;
    frames -= uint64_t(n);
  }
  return true;
}

std::optional<TRecorder::Outcome> TRecorder::Finished() {
  if (!busy_.load(std::memory_order_acquire) || !written_.load(std::memory_order_acquire))
    return std::nullopt;
  if (writer_.joinable()) writer_.join();
  state_.store(kIdle, std::memory_order_release);
  busy_ = false;
  return outcome_;
}

std::optional<TRecorder::Outcome> TRecorder::Wait() {
  if (writer_.joinable()) writer_.join();
  return Finished();
}
