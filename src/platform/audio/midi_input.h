#pragma once
#include <memory>
#include <string>

#include "platform/midi_queue.h"

class WaveSystem;

// A MIDI input port of the program's own, which other programs connect to; what arrives there
// goes into Queue() from the input's thread until the input is destroyed.
class MidiInput {
 public:
  virtual ~MidiInput() = default;
  virtual TMidiQueue& Queue() = 0;
};

// The MIDI input beside the sound card: under JACK the port midi_in of the card's own client,
// with each event's frame in the JACK cycle; otherwise the ALSA sequencer's port "Quarvin",
// whose events take effect at the start of the next block. Null, and `note` says why, when there
// is no MIDI system; the program then runs without MIDI.
std::unique_ptr<MidiInput> OpenMidiInput(WaveSystem* card, std::string& note);

// The ALSA sequencer's port alone; null and `note` when the sequencer cannot be opened.
std::unique_ptr<MidiInput> OpenAlsaMidi(std::string& note);
