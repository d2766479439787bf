#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/audio/wave.h"

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

std::optional<int> FindWaveDevice(const std::vector<WaveDeviceInfo>& list, WaveSystem::Direction d,
                                  const std::string& choice, std::string& error) {
  const bool in = d == WaveSystem::Direction::In;
  const auto fits = [in](const WaveDeviceInfo& info) {
    return (in ? info.InChannels : info.OutChannels) > 0;
  };
  int number = -1;
  const char* end = choice.data() + choice.size();
  const bool numeric = std::from_chars(choice.data(), end, number).ptr == end && !choice.empty();
  const std::string wanted = Lower(choice);
  std::vector<int> parts;
  for (const WaveDeviceInfo& info : list) {
    if (!fits(info)) continue;
    if (numeric ? info.Index == number : Lower(info.Name) == wanted) return info.Index;
    if (!numeric && Lower(info.Name).find(wanted) != std::string::npos) parts.push_back(info.Index);
  }
  if (parts.size() == 1) return parts.front();
  const std::string kind = in ? "Eingabegerät" : "Ausgabegerät";
  error = parts.empty() ? kind + " „" + choice + "“ nicht gefunden"
                        : "„" + choice + "“ passt auf mehrere " + kind + "e";
  return std::nullopt;
}
