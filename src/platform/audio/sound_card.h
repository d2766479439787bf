#pragma once
#include <memory>

#include "platform/audio/wave.h"

// The sound card the program streams through. With a JACK server running and no device chosen,
// or with chosen devices that are JACK's, it is a JACK client of the program's own (also when
// that client fails: opening it then says why); otherwise the default or chosen devices through
// PortAudio. Starts no server.
std::unique_ptr<WaveSystem> OpenSoundCard(const WaveSettings& settings);

// The devices the sound library sees, for listing (PortAudio's numbering, which --eingang and
// --ausgang take).
std::vector<WaveDeviceInfo> ListSoundCards();
