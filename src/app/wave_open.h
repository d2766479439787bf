#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/audio/wave.h"

// Shows a text in the error box.
using ErrorBoxFn = std::function<void(const std::string& text)>;

// Opens the first device of a direction (window thread). On failure shows "No input device
// found!" / "No output device found!" or the system's text and returns null.
std::unique_ptr<WaveDevice> OpenWave(WaveSystem& system, WaveSystem::Direction direction,
                                     const ErrorBoxFn& errorBox);

// Opens the input, then the output; the output is not tried when the input failed. False when
// either failed (the error box has been shown; an input opened before stays open).
bool OpenWaves(WaveSystem& system, const ErrorBoxFn& errorBox, std::unique_ptr<WaveDevice>& in,
               std::unique_ptr<WaveDevice>& out);

// Closes an open device (window thread, after the audio loop has ended); a failure goes to the
// error box. Nothing happens for a device that never opened.
void CloseWave(WaveDevice* device, const ErrorBoxFn& errorBox);

// The one line that tells the user the card is converted: "Soundkarte: 48000 Hz, umgerechnet
// auf 44100 Hz"; empty for a card at our own rate or none.
std::string CardRateNote(int cardRate);
