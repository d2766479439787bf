#include "app/midi_file.h"

#include <charconv>

namespace {
using Kind = TMidiSource::Kind;
constexpr const char* kHeader =
    "# Quarvin: MIDI-Zuweisungen des Patches daneben\n"
    "# Gerät (Platz in der Geräteliste ab 1), Regler (Platz im Gerät ab 1), Art (cc, cc14, "
    "bend), Kanal (1-16), Controller-Nummer\n";

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Cc7:
      return "cc";
    case Kind::Cc14:
      return "cc14";
    case Kind::Bend:
      return "bend";
  }
  return "";
}

// The words of a line, split at blanks.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  while (!line.empty()) {
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) break;
    line.remove_prefix(start);
    const size_t end = std::min(line.find_first_of(" \t\r"), line.size());
    words.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
  return words;
}

// A whole word as a number within first..last.
std::optional<size_t> Number(std::string_view word, size_t first, size_t last) {
  size_t n = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), n);
  if (error != std::errc() || end != word.data() + word.size() || n < first || n > last)
    return std::nullopt;
  return n;
}

std::optional<TMidiLine> ParseLine(std::span<const std::string_view> words) {
  constexpr size_t kMostPlaces = 1 << 20;
  if (words.size() < 4) return std::nullopt;
  const auto device = Number(words[0], 1, kMostPlaces), control = Number(words[1], 1, kMostPlaces);
  const auto channel = Number(words[3], 1, 16);
  if (!device || !control || !channel) return std::nullopt;
  TMidiLine line{*device - 1, *control - 1, {Kind::Bend, uint8_t(*channel - 1), 0}};
  if (words[2] == "bend") return words.size() == 4 ? std::optional(line) : std::nullopt;
  const bool pair = words[2] == "cc14";
  if ((!pair && words[2] != "cc") || words.size() != 5) return std::nullopt;
  const auto number = Number(words[4], 0, pair ? 31 : 127);
  if (!number) return std::nullopt;
  line.source = {pair ? Kind::Cc14 : Kind::Cc7, line.source.channel, uint8_t(*number)};
  return line;
}
}  // namespace

std::string MidiFilePath(const std::string& patchPath) {
  return patchPath + ".midi";
}

std::string FormatMidiFile(std::span<const TMidiLine> lines) {
  std::string text = kHeader;
  for (const TMidiLine& l : lines) {
    text += std::to_string(l.device + 1) + " " + std::to_string(l.control + 1) + " " +
            KindName(l.source.kind) + " " + std::to_string(l.source.channel + 1);
    if (l.source.kind != Kind::Bend) text += " " + std::to_string(l.source.number);
    text += "\n";
  }
  return text;
}

std::optional<std::vector<TMidiLine>> ParseMidiFile(std::string_view text) {
  std::vector<TMidiLine> lines;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    const std::vector<std::string_view> words = Words(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    if (words.empty() || words[0].starts_with('#')) continue;
    const auto line = ParseLine(words);
    if (!line) return std::nullopt;
    lines.push_back(*line);
  }
  return lines;
}
