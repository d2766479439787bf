#include "platform/audio/midi_input.h"

#include "platform/audio/wave.h"

std::unique_ptr<MidiInput> OpenMidiInput(WaveSystem* card, std::string& note) {
  if (card)
    if (std::unique_ptr<MidiInput> jack = card->OpenMidi()) return jack;
  return OpenAlsaMidi(note);
}
