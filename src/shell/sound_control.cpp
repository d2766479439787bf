#include "shell/sound_control.h"

#include <QSettings>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/command_line.h"
#include "app/main_client.h"
#include "app/wave_open.h"

namespace {
// The program's settings file, shared with the recent files: quarvin/quarvin.conf in the user's
// config folder.
constexpr const char* kOrganisation = "quarvin";
constexpr const char* kApplication = "quarvin";
}  // namespace

TSoundControl::TSoundControl(TMainClient& client, WaveSettings settings, Opener open)
    : client_(client), settings_(std::move(settings)), open_(std::move(open)) {}

TSoundControl::~TSoundControl() {
  client_.UseSound(nullptr, 0);
  client_.SetMidi(nullptr);
}

bool TSoundControl::Start(const WaveSettings& settings, int threads) {
  settings_ = settings;
  // The old system goes before the new one opens: a JACK client of ours must not meet another.
  client_.UseSound(nullptr, 0);
  threads_ = std::clamp(threads, 1, kMaxThreads);
  // The helpers start before the audio does; one thread needs none.
  if (threads_ != client_.Threads())
    client_.UseCrew(threads_ > 1 ? std::make_unique<TScheduleCrew>(threads_) : nullptr);
  client_.SetMidi(nullptr);
  midi_.reset();
  system_.reset();
  system_ = open_(settings_);
  OpenMidi();
  client_.UseSound(system_.get(), settings_.BlockFrames);
  if (!client_.StartSound()) return false;
  if (const std::string note = CardRateNote(client_.CardRate()); !note.empty())
    std::fprintf(stderr, "quarvin: %s\n", note.c_str());
  return true;
}

// Without MIDI the program runs on; it says so once.
void TSoundControl::OpenMidi() {
  std::string note;
  midi_ = OpenMidiInput(system_.get(), note);
  if (midi_)
    client_.SetMidi(&midi_->Queue());
  else if (!std::exchange(midiMissingSaid_, true))
    std::fprintf(stderr, "quarvin: %s\n", note.c_str());
}

std::string TSoundControl::Status() const {
  if (!client_.SoundRunning()) return "Kein Ton: die Soundkarte ist nicht geöffnet.";
  const std::string note = CardRateNote(client_.CardRate());
  return note.empty() ? "Soundkarte: " + std::to_string(client_.CardRate()) + " Hz" : note;
}

WaveSettings RememberedSoundSettings() {
  const QSettings store(kOrganisation, kApplication);
  const int block = store.value("Soundkarte/Block", 0).toInt();
  const bool valid = block >= TAudioLoop::kMinBlockFrames && block <= TAudioLoop::kMaxBlockFrames;
  return {.In = store.value("Soundkarte/Eingang").toString().toStdString(),
          .Out = store.value("Soundkarte/Ausgang").toString().toStdString(),
          .BlockFrames = valid ? block : 0};
}

void RememberSoundSettings(const WaveSettings& settings) {
  QSettings store(kOrganisation, kApplication);
  store.setValue("Soundkarte/Eingang", QString::fromStdString(settings.In));
  store.setValue("Soundkarte/Ausgang", QString::fromStdString(settings.Out));
  store.setValue("Soundkarte/Block", settings.BlockFrames);
}

int RememberedThreads() {
  const QSettings store(kOrganisation, kApplication);
  return std::clamp(store.value("Soundkarte/Threads", 1).toInt(), 1, kMaxThreads);
}

void RememberThreads(int threads) {
  QSettings store(kOrganisation, kApplication);
  store.setValue("Soundkarte/Threads", threads);
}
