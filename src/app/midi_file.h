#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/midi_mapping.h"

// The MIDI mappings of a patch live in a small text file beside it (NAME.qvn.midi), so that the
// patch file keeps its bytes. One line per mapping: the device's place in the device list and the
// control's place among that device's controls (both counted from 1), the kind ("cc", "cc14" or
// "bend"), the channel (1..16) and, but for the pitch bend, the controller number. Lines that
// begin with # are comments.
struct TMidiLine {
  size_t device = 0, control = 0;  // counted from 0
  TMidiSource source;
  auto operator<=>(const TMidiLine&) const = default;
};

std::string MidiFilePath(const std::string& patchPath);
std::string FormatMidiFile(std::span<const TMidiLine> lines);
// Nullopt when any line is not one of the above.
std::optional<std::vector<TMidiLine>> ParseMidiFile(std::string_view text);
