#include "app/wave_open.h"

std::unique_ptr<WaveDevice> OpenWave(WaveSystem& system, WaveSystem::Direction direction,
                                     const ErrorBoxFn& errorBox) {
  const bool in = direction == WaveSystem::Direction::In;
  if (system.DeviceCount(direction) == 0) {
    errorBox(in ? "No input device found!" : "No output device found!");
    return nullptr;
  }
  std::string error;
  std::unique_ptr<WaveDevice> device = system.Open(direction, error);
  if (!device) errorBox(error);
  return device;
}

bool OpenWaves(WaveSystem& system, const ErrorBoxFn& errorBox, std::unique_ptr<WaveDevice>& in,
               std::unique_ptr<WaveDevice>& out) {
  in = OpenWave(system, WaveSystem::Direction::In, errorBox);
  if (!in) return false;
  out = OpenWave(system, WaveSystem::Direction::Out, errorBox);
  return out != nullptr;
}

void CloseWave(WaveDevice* device, const ErrorBoxFn& errorBox) {
  if (!device) return;
  if (std::string error = device->Close(); !error.empty()) errorBox(error);
}

std::string CardRateNote(int cardRate) {
  if (cardRate == 0 || cardRate == kSampleRate) return {};
  return "Soundkarte: " + std::to_string(cardRate) + " Hz, umgerechnet auf " +
         std::to_string(kSampleRate) + " Hz";
}
