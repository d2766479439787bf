#include "platform/audio/portaudio_wave.h"

#include <portaudio.h>

#include "platform/audio/card_stream.h"
#include "platform/audio/quiet_probe.h"

std::string PortAudioErrorText(int code) {
  std::string text = Pa_GetErrorText(code);
  if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
  return text;
}

// Pa_Initialize and Pa_Terminate as one owned resource. Initialising probes every card the
// system might have; what the sound libraries say about missing ones is kept off the terminal.
class PortAudioLibrary {
 public:
  PortAudioLibrary() {
    QuietProbe quiet;
    error_ = Pa_Initialize();
  }
  ~PortAudioLibrary() {
    if (error_ == paNoError) Pa_Terminate();
  }
  PortAudioLibrary(const PortAudioLibrary&) = delete;
  PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;

  PaError Error() const { return error_; }

 private:
  PaError error_ = paNoError;
};

namespace {

using Direction = WaveSystem::Direction;

class PortAudioDevice final : public WaveDevice {
 public:
  PortAudioDevice(std::shared_ptr<PortAudioLibrary> library, Direction direction)
      : library_(std::move(library)), direction_(direction) {}
  ~PortAudioDevice() override { Close(); }

  // Opens the device of the direction at our rate, or at the device's own when it refuses ours
  // (the stream then converts); output starts playing (silence) at once. A PortAudio error
  // code, or paInternalError with the text in `error`.
  PaError OpenStream(PaDeviceIndex device, int blockFrames, std::string& error) {
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info) return paInvalidDevice;
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = kWaveChannels;
    params.sampleFormat = paInt16;
    params.suggestedLatency =
        direction_ == Direction::In ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
    const bool in = direction_ == Direction::In;
    const PaStreamParameters* inParams = in ? &params : nullptr;
    const PaStreamParameters* outParams = in ? nullptr : &params;
    const unsigned long frames = blockFrames > 0 ? blockFrames : paFramesPerBufferUnspecified;
    PaError err;
    {
      QuietProbe quiet;
      double rate = kSampleRate;
      if (Pa_IsFormatSupported(inParams, outParams, rate) != paFormatIsSupported)
        rate = info->defaultSampleRate;
      error = blocks_.SetCardRate(int(rate), in, blockFrames > 0);
      if (!error.empty()) return paInternalError;
      err = Pa_OpenStream(&stream_, inParams, outParams, rate, frames, paClipOff, &Callback, this);
    }
    if (err != paNoError) {
      stream_ = nullptr;
      return err;
    }
    Pa_SetStreamFinishedCallback(stream_, &Finished);
    return in ? paNoError : Start(stream_);
  }

  void Queue(WaveHeader& block) override { blocks_.Queue(block); }

  void Start() override {
    if (direction_ == Direction::In && stream_ && Pa_IsStreamStopped(stream_) == 1) Start(stream_);
  }

  void Unprepare(WaveHeader&) override {}

  std::string Close() override {
    if (!stream_) return {};
    running_.store(false, std::memory_order_release);
    PaError err = Pa_IsStreamStopped(stream_) == 0 ? Pa_StopStream(stream_) : paNoError;
    const PaError closed = Pa_CloseStream(stream_);
    stream_ = nullptr;
    if (err == paNoError) err = closed;
    return err == paNoError ? std::string() : PortAudioErrorText(err);
  }

  void SetDoorbell(WaveDoorbell* bell) override { blocks_.SetDoorbell(bell); }
  uint64_t Dropouts() const override { return blocks_.Dropouts(); }
  uint64_t SilentFrames() const override { return blocks_.SilentFrames(); }
  int CardRate() const override { return blocks_.CardRate(); }
  // A stream that ended while we meant it to run: the device or its server went away.
  bool Lost() const override {
    return running_.load(std::memory_order_acquire) &&
           (ended_.load(std::memory_order_acquire) || Pa_IsStreamActive(stream_) == 0);
  }

 private:
  PaError Start(PaStream* stream) {
    const PaError err = Pa_StartStream(stream);
    running_.store(err == paNoError, std::memory_order_release);
    return err;
  }

  static void Finished(void* self) {
    static_cast<PortAudioDevice*>(self)->ended_.store(true, std::memory_order_release);
  }

  static int Callback(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
    auto& device = *static_cast<PortAudioDevice*>(self);
    const size_t samples = frames * kWaveChannels;
    if (output)
      device.blocks_.Play(static_cast<int16_t*>(output), samples);
    else
      device.blocks_.Record(static_cast<const int16_t*>(input), samples);
    return paContinue;
  }

  std::shared_ptr<PortAudioLibrary> library_;
  Direction direction_;
  PaStream* stream_ = nullptr;
  CardStream blocks_;
  // Started and not yet closed; the stream ended (PortAudio's finished callback).
  std::atomic<bool> running_{false}, ended_{false};
};

PaDeviceIndex DefaultDevice(Direction d) {
  return d == Direction::In ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
}

}  // namespace

PortAudioWaveSystem::PortAudioWaveSystem(WaveSettings settings)
    : settings_(std::move(settings)), library_(std::make_shared<PortAudioLibrary>()) {}
PortAudioWaveSystem::~PortAudioWaveSystem() = default;

int PortAudioWaveSystem::DeviceCount(Direction d) {
  if (library_->Error() != paNoError) return 0;
  if (DefaultDevice(d) == paNoDevice) return 0;
  int count = 0;
  for (const WaveDeviceInfo& info : List())
    if ((d == Direction::In ? info.InChannels : info.OutChannels) > 0) ++count;
  return count;
}

std::vector<WaveDeviceInfo> PortAudioWaveSystem::List() {
  std::vector<WaveDeviceInfo> list;
  if (library_->Error() != paNoError) return list;
  for (PaDeviceIndex i = 0, n = Pa_GetDeviceCount(); i < n; ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (!info) continue;
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
    list.push_back({.Index = i,
                    .HostApi = api && api->name ? api->name : "",
                    .Name = info->name ? info->name : "",
                    .InChannels = info->maxInputChannels,
                    .OutChannels = info->maxOutputChannels});
  }
  return list;
}

std::unique_ptr<WaveDevice> PortAudioWaveSystem::Open(Direction d, std::string& error) {
  if (library_->Error() != paNoError) {
    error = PortAudioErrorText(library_->Error());
    return nullptr;
  }
  PaDeviceIndex device = DefaultDevice(d);
  if (const std::string& choice = d == Direction::In ? settings_.In : settings_.Out;
      !choice.empty()) {
    const std::optional<int> found = FindWaveDevice(List(), d, choice, error);
    if (!found) return nullptr;
    device = *found;
  }
  auto opened = std::make_unique<PortAudioDevice>(library_, d);
  if (const PaError err = opened->OpenStream(device, settings_.BlockFrames, error);
      err != paNoError) {
    if (error.empty()) error = PortAudioErrorText(err);
    return nullptr;
  }
  return opened;
}
