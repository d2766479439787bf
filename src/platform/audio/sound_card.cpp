#include "platform/audio/sound_card.h"

#include <algorithm>

#include "platform/audio/jack_wave.h"
#include "platform/audio/portaudio_wave.h"

namespace {

using Direction = WaveSystem::Direction;

bool IsJack(const WaveDeviceInfo& info) {
  return info.HostApi.find("JACK") != std::string::npos;
}

// Whether every chosen device is one of JACK's (a choice that names none is left to PortAudio,
// which reports it).
bool ChoicesAreJack(const WaveSettings& settings) {
  PortAudioWaveSystem library(settings);
  const std::vector<WaveDeviceInfo> list = library.List();
  for (const auto& [choice, d] :
       {std::pair{&settings.In, Direction::In}, {&settings.Out, Direction::Out}}) {
    if (choice->empty()) continue;
    std::string error;
    const std::optional<int> found = FindWaveDevice(list, d, *choice, error);
    const auto info = std::find_if(list.begin(), list.end(), [&](const WaveDeviceInfo& i) {
      return found && i.Index == *found;
    });
    if (info == list.end() || !IsJack(*info)) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<WaveSystem> OpenSoundCard(const WaveSettings& settings) {
  const bool chosen = !settings.In.empty() || !settings.Out.empty();
  // PortAudio's library must be gone again before our client starts: it keeps a JACK client of
  // its own while initialised.
  // A server that answers is the user's sound card even when our client fails with it: the
  // error box then gives our client's reason, not what PortAudio says after it.
  if (chosen ? ChoicesAreJack(settings) : true) {
    auto jack = std::make_unique<JackWaveSystem>(settings);
    if (jack->Reached()) return jack;
  }
  return std::make_unique<PortAudioWaveSystem>(settings);
}

std::vector<WaveDeviceInfo> ListSoundCards() {
  return PortAudioWaveSystem().List();
}
