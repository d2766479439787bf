#include "platform/audio/portaudio_wave.h"

#include <portaudio.h>

#include <algorithm>
#include <cstring>

#include "platform/audio/block_ring.h"

std::string PortAudioErrorText(int code) {
  std::string text = Pa_GetErrorText(code);
  if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
  return text;
}

// Pa_Initialize and Pa_Terminate as one owned resource.
class PortAudioLibrary {
 public:
  PortAudioLibrary() : error_(Pa_Initialize()) {}
  ~PortAudioLibrary() {
    if (error_ == paNoError) Pa_Terminate();
  }
  PortAudioLibrary(const PortAudioLibrary&) = delete;
  PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;

  PaError Error() const { return error_; }

 private:
  PaError error_;
};

namespace {

using Direction = WaveSystem::Direction;

class PortAudioDevice final : public WaveDevice {
 public:
  PortAudioDevice(std::shared_ptr<PortAudioLibrary> library, Direction direction)
      : library_(std::move(library)), direction_(direction) {}
  ~PortAudioDevice() override { Close(); }

  // Opens the default device of the direction; output starts playing (silence) at once.
  PaError OpenStream() {
    const PaDeviceIndex device =
        direction_ == Direction::In ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info) return paInvalidDevice;
    PaStreamParameters params{};
    params.device = device;
    params.channelCount = kWaveChannels;
    params.sampleFormat = paInt16;
    params.suggestedLatency =
        direction_ == Direction::In ? info->defaultLowInputLatency : info->defaultLowOutputLatency;
    const bool in = direction_ == Direction::In;
    PaError err =
        Pa_OpenStream(&stream_, in ? &params : nullptr, in ? nullptr : &params, kSampleRate,
                      paFramesPerBufferUnspecified, paClipOff, &Callback, this);
    if (err != paNoError) {
      stream_ = nullptr;
      return err;
    }
    return in ? paNoError : Pa_StartStream(stream_);
  }

  void Queue(WaveHeader& block) override {
    if (!block.Claim()) return;
    if (!ring_.Push(&block)) block.Unclaim();
  }

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

 private:
  static int Callback(const void* input, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* self) {
    auto& device = *static_cast<PortAudioDevice*>(self);
    const size_t samples = frames * kWaveChannels;
    if (output)
      device.Play(static_cast<int16_t*>(output), samples);
    else
      device.Record(static_cast<const int16_t*>(input), samples);
    return paContinue;
  }

  // Moves up to `samples` samples between the card and the front block; completes the block
  // when it is full. Returns how many samples were moved, 0 when nothing is queued.
  template <class Move>
  size_t Transfer(size_t samples, Move move) noexcept {
    WaveHeader* block = ring_.Front();
    if (!block) return 0;
    const size_t n = std::min<size_t>(samples, block->Samples() - offset_);
    move(block->Data + offset_, n);
    offset_ += n;
    if (offset_ == block->Samples()) {
      offset_ = 0;
      ring_.Pop();
      block->Complete();
    }
    return n;
  }

  // Input frames that arrive while no block is queued are lost, as on any sound card.
  void Record(const int16_t* in, size_t samples) noexcept {
    while (samples > 0) {
      const size_t n = Transfer(samples, [in](int16_t* to, size_t k) {
        if (in)
          std::memcpy(to, in, k * sizeof(int16_t));
        else
          std::fill_n(to, k, int16_t{0});
      });
      if (n == 0 && !ring_.Front()) return;
      if (in) in += n;
      samples -= n;
    }
  }

  void Play(int16_t* out, size_t samples) noexcept {
    while (samples > 0) {
      const size_t n = Transfer(samples, [out](const int16_t* from, size_t k) {
        std::memcpy(out, from, k * sizeof(int16_t));
      });
      if (n == 0 && !ring_.Front()) {
        std::fill_n(out, samples, int16_t{0});
        return;
      }
      out += n;
      samples -= n;
    }
  }

  std::shared_ptr<PortAudioLibrary> library_;
  Direction direction_;
  PaStream* stream_ = nullptr;
  BlockRing ring_;
  size_t offset_ = 0;  // samples of the front block already moved (callback only)
};

}  // namespace

PortAudioWaveSystem::PortAudioWaveSystem() : library_(std::make_shared<PortAudioLibrary>()) {}
PortAudioWaveSystem::~PortAudioWaveSystem() = default;

int PortAudioWaveSystem::DeviceCount(Direction d) {
  if (library_->Error() != paNoError) return 0;
  const bool in = d == Direction::In;
  if ((in ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice()) == paNoDevice) return 0;
  int count = 0;
  for (PaDeviceIndex i = 0, n = Pa_GetDeviceCount(); i < n; ++i) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    if (info && (in ? info->maxInputChannels : info->maxOutputChannels) > 0) ++count;
  }
  return count;
}

std::unique_ptr<WaveDevice> PortAudioWaveSystem::Open(Direction d, std::string& error) {
  if (library_->Error() != paNoError) {
    error = PortAudioErrorText(library_->Error());
    return nullptr;
  }
  auto device = std::make_unique<PortAudioDevice>(library_, d);
  if (const PaError err = device->OpenStream(); err != paNoError) {
    error = PortAudioErrorText(err);
    return nullptr;
  }
  return device;
}
