// Start and stop of the canvas, and the audio thread.
#include "app/audio_loop.h"
#include "app/main_client.h"
#include "app/wave_open.h"

bool TMainClient::Setup() {
  const auto errorBox = [this](const std::string& text) { ErrorBox(text); };
  if (audio_ && !OpenWaves(*audio_, errorBox, waveIn_, waveOut_)) {
    shell_.Quit(1);
    return false;
  }
  if (liveBlock_ > 0) {
    const auto count = size_t(TAudioLoop::ShortBlockCount(liveBlock_));
    shortIn_ = std::vector<TSampleBuffer>(count);
    shortOut_ = std::vector<TSampleBuffer>(count);
  }
  PlaceStartDevices();
  shell_.StartTimer();
  if (waveIn_ && waveOut_) Start();
  return true;
}

void TMainClient::CloseQuery() {
  Terminate();
  WaitForExit();
  // A recording still going ends with the sound; its files are complete before anything goes.
  recorder_.AudioEnded();
  if (const auto outcome = recorder_.Wait()) RecordingEnded(*outcome);
  shell_.StopTimer();
  const auto errorBox = [this](const std::string& text) { ErrorBox(text); };
  CloseWave(waveIn_.get(), errorBox);
  CloseWave(waveOut_.get(), errorBox);
  waveIn_.reset();
  waveOut_.reset();
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
          }};
  TAudioLoop loop = liveBlock_ > 0
                        ? TAudioLoop(*waveIn_, *waveOut_, shortIn_, shortOut_, liveBlock_,
                                     doorbell_, std::move(hooks))
                        : TAudioLoop(*waveIn_, *waveOut_, inBuf_, outBuf_, std::move(hooks));
  const int code = loop.Run();
  recorder_.AudioEnded();
  figures_ = loop.Stats();
  return code;
}
