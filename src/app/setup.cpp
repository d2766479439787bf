// Start and stop of the canvas, and the audio thread.
#include <atomic>

#include "app/audio_loop.h"
#include "app/main_client.h"
#include "app/wave_open.h"

bool TMainClient::Setup() {
  PlaceStartDevices();
  shell_.StartTimer();
  return StartSound();
}

bool TMainClient::StartSound() {
  if (Running() || !audio_) return true;
  soundLost_.store(false, std::memory_order_relaxed);
  const auto errorBox = [this](const std::string& text) { ErrorBox(text); };
  if (!OpenWaves(*audio_, errorBox, waveIn_, waveOut_)) {
    CloseWaves();
    return false;
  }
  if (liveBlock_ > 0) {
    const auto count = size_t(TAudioLoop::ShortBlockCount(liveBlock_));
    shortIn_ = std::vector<TSampleBuffer>(count);
    shortOut_ = std::vector<TSampleBuffer>(count);
  }
  // Blocks that a lost card held before are idle now that it is closed.
  for (auto* blocks : {&inBuf_, &outBuf_})
    for (TSampleBuffer& block : *blocks) block.Header().Release();
  Start();
  return true;
}

void TMainClient::StopSound() {
  Terminate();
  WaitForExit();
  // A recording still going ends with the sound; its files are complete before anything goes.
  recorder_.AudioEnded();
  if (const auto outcome = recorder_.Wait()) RecordingEnded(*outcome);
  CloseWaves();
}

void TMainClient::UseSound(WaveSystem* audio, int liveBlock) {
  StopSound();
  audio_ = audio;
  liveBlock_ = liveBlock;
}

void TMainClient::CloseWaves() {
  const auto errorBox = [this](const std::string& text) { ErrorBox(text); };
  CloseWave(waveIn_.get(), errorBox);
  CloseWave(waveOut_.get(), errorBox);
  waveIn_.reset();
  waveOut_.reset();
}

// The audio thread has ended by itself: the sound stops here, the patch stays as it is.
void TMainClient::WatchSound() {
  if (!soundLost_.exchange(false, std::memory_order_acq_rel)) return;
  StopSound();
  ErrorBox(std::string(kSoundLost) + kSoundStopped);
}

int TMainClient::CardRate() const {
  return waveOut_ ? waveOut_->CardRate() : waveIn_ ? waveIn_->CardRate() : 0;
}

void TMainClient::CloseQuery() {
  StopSound();
  shell_.StopTimer();
  // Quitting normally, the changes were saved or given up: no copy is left to offer.
  if (recovery_) recovery_->Remove();
  TCriticalSection::Lock lock(Lock);
  DeleteAllDevices();
}

uint64_t TMainClient::Dropouts() const {
  return (waveIn_ ? waveIn_->Dropouts() : 0) + (waveOut_ ? waveOut_->Dropouts() : 0);
}

uint64_t TMainClient::Xruns() const {
  return (waveIn_ ? waveIn_->Xruns() : 0) + (waveOut_ ? waveOut_->Xruns() : 0);
}

int TMainClient::Run() {
  TAudioLoop::Hooks hooks{
      .Process = [this](const TSampleBuffer& in, TSampleBuffer& out) { ProcessBuffers(in, out); },
      .Beep = [this] { shell_.Beep(); },
      .Terminating = [this] { return ShouldTerminate(); },
      .Handed =
          [this](const TSampleBuffer& in, const TSampleBuffer* out, uint64_t silent) {
            const auto samples = [](const TSampleBuffer& b) {
              return std::span<const int16_t>(b.Data(), size_t(b.Length() * kWaveChannels));
            };
            recorder_.Step(samples(in), out ? samples(*out) : std::span<const int16_t>(), silent);
          },
      .RealTime =
          [this] {
            if (crew_) crew_->RaiseToRealTime();
          }};
  TAudioLoop loop = liveBlock_ > 0
                        ? TAudioLoop(*waveIn_, *waveOut_, shortIn_, shortOut_, liveBlock_,
                                     doorbell_, std::move(hooks))
                        : TAudioLoop(*waveIn_, *waveOut_, inBuf_, outBuf_, std::move(hooks));
  const int code = loop.Run();
  recorder_.AudioEnded();
  figures_ = loop.Stats();
  soundLost_.store(figures_.Lost, std::memory_order_release);
  return code;
}
