#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/midi_input.h"
#include "platform/audio/wave.h"

class TMainClient;

// The program's sound card: the settings it runs with, the sound system opened for them with its
// MIDI input, and starting the sound again with the same or other settings. The patch is never
// touched.
class TSoundControl {
 public:
  using Opener = std::function<std::unique_ptr<WaveSystem>(const WaveSettings&)>;
  // open: makes the sound system for settings (the program: OpenSoundCard).
  TSoundControl(TMainClient& client, WaveSettings settings, Opener open);
  // Stops the sound before the system goes.
  ~TSoundControl();
  TSoundControl(const TSoundControl&) = delete;
  TSoundControl& operator=(const TSoundControl&) = delete;

  // Stops the sound, opens the system for settings and starts it, with the schedule on `threads`
  // threads (the audio thread and threads − 1 helpers); false when the card could not be had (the
  // error box has said why; the settings are kept for the next try).
  bool Start(const WaveSettings& settings, int threads);
  bool Start(const WaveSettings& settings) { return Start(settings, threads_); }
  const WaveSettings& Settings() const { return settings_; }
  int Threads() const { return threads_; }
  // One line for the user: the card's rate and whether it is converted, or that there is no sound.
  std::string Status() const;

 private:
  // Under JACK the MIDI port belongs to the sound's client, so it comes and goes with the system.
  void OpenMidi();

  TMainClient& client_;
  WaveSettings settings_;
  int threads_ = 1;
  Opener open_;
  std::unique_ptr<WaveSystem> system_;
  std::unique_ptr<MidiInput> midi_;  // declared after the system, so that it goes first
  bool midiMissingSaid_ = false;
};

// The sound settings the user chose last (Qt's settings, in the user's config folder), and
// keeping them; only the devices and the block length are kept, and the threads beside them.
WaveSettings RememberedSoundSettings();
void RememberSoundSettings(const WaveSettings& settings);
// The threads the schedule ran on last (1 … kMaxThreads; 1 when none were chosen).
int RememberedThreads();
void RememberThreads(int threads);
