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
  PlaceStartDevices();
  shell_.StartTimer();
  if (waveIn_ && waveOut_) Start();
  return true;
}

void TMainClient::CloseQuery() {
  Terminate();
  WaitForExit();
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

int TMainClient::Run() {
  TAudioLoop loop(
      *waveIn_, *waveOut_, inBuf_, outBuf_,
      {.Process = [this](const TSampleBuffer& in, TSampleBuffer& out) { ProcessBuffers(in, out); },
       .Beep = [this] { shell_.Beep(); },
       .Terminating = [this] { return ShouldTerminate(); }});
  return loop.Run();
}
