#pragma once
#include <memory>
#include <string>

#include "platform/audio/wave.h"

class PortAudioLibrary;

// The sound card through PortAudio: the default or the chosen input and output devices, each
// streamed by a callback that moves frames between the card and the queued blocks. The library
// stays initialised while this object or any device it opened lives.
class PortAudioWaveSystem : public WaveSystem {
 public:
  explicit PortAudioWaveSystem(WaveSettings settings = {});
  ~PortAudioWaveSystem() override;

  int DeviceCount(Direction d) override;
  std::unique_ptr<WaveDevice> Open(Direction d, std::string& error) override;
  std::vector<WaveDeviceInfo> List() override;

 private:
  WaveSettings settings_;
  std::shared_ptr<PortAudioLibrary> library_;
};

// PortAudio's text for an error code, at most kMaxErrorText characters.
inline constexpr size_t kMaxErrorText = 200;
std::string PortAudioErrorText(int code);
