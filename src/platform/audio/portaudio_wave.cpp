#include "platform/audio/portaudio_wave.h"

#include <portaudio.h>

#include "platform/audio/block_stream.h"
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

  // Opens the device of the direction; output starts playing (silence) at once.
  PaError OpenStream(PaDeviceIndex device, int blockFrames) {
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info) return paInvalidDevice;
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = kWaveChannels;
    params.sampleFormat = paInt16;
    params.suggestedLatency =
        direction_ == Direction::In ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
    const bool in = direction_ == Direction::In;
    const unsigned long frames = blockFrames > 0 ? blockFrames : paFramesPerBufferUnspecified;
    PaError err;
    {
      QuietProbe quiet;
      err = Pa_OpenStream(&stream_, in ? &params : nullptr, in ? nullptr : &params, kSampleRate,
                          frames, paClipOff, &Callback, this);
    }
    if (err != paNoError) {
      stream_ = nullptr;
      return err;
    }
    return in ? paNoError : Pa_StartStream(stream_);
  }

  void Queue(WaveHeader& block) override { blocks_.Queue(block); }

  void Start() override {
    if (direction_ == Direction::In && stream_ && Pa_IsStreamStopped(stream_) == 1)
      Pa_StartStream(stream_);
  }

  void Unprepare(WaveHeader&) override {}

  std::string Close() override {
    if (!stream_) return {};
    PaError err = Pa_IsStreamStopped(stream_) == 0 ? Pa_StopStream(stream_) : paNoError;
    const PaError closed = Pa_CloseStream(stream_);
    stream_ = nullptr;
    if (err == paNoError) err = closed;
    return err == paNoError ? std::string() : PortAudioErrorText(err);
  }

  void SetDoorbell(WaveDoorbell* bell) override { blocks_.SetDoorbell(bell); }
  uint64_t Dropouts() const override { return blocks_.Dropouts(); }
  uint64_t SilentFrames() const override { return blocks_.SilentFrames(); }

 private:
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
  BlockStream blocks_;
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
  if (const PaError err = opened->OpenStream(device, settings_.BlockFrames); err != paNoError) {
    error = PortAudioErrorText(err);
    return nullptr;
  }
  return opened;
}
