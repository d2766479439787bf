#include "live_run.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/headless_shell.h"
#include "app/main_client.h"
#include "app/wave_open.h"
#include "platform/audio/midi_input.h"
#include "platform/audio/sound_card.h"

namespace {

using Kind = CommandLine::Kind;

// The errors from `first` on; returns how many there are now.
size_t PrintErrors(const HeadlessShell& shell, size_t first = 0) {
  for (size_t i = first; i < shell.errors.size(); ++i)
    std::fprintf(stderr, "quarvin-render: %s\n", shell.errors[i].c_str());
  return shell.errors.size();
}

// Until SIGINT or SIGTERM, the canvas's refresh runs as in the program, so that a recording
// that fails is reported when it does. A card that is lost ends the run too (true): the audio
// thread notices it within a fraction of a second, before the refresh would stop the sound.
bool RunUntilStopped(TMainClient& client, const HeadlessShell& shell, const sigset_t& stop) {
  size_t shown = shell.errors.size();
  const timespec refresh{0, 100'000'000};
  while (sigtimedwait(&stop, nullptr, &refresh) < 0) {
    if (client.SoundLost()) return true;
    client.Timer();
    shown = PrintErrors(shell, shown);
    if (!client.SoundRunning()) return true;
  }
  return false;
}

// block: the short blocks' frames, 0 for the default blocks.
void PrintSummary(const TAudioLoop::Figures& f, uint64_t dropouts, uint64_t xruns, int block) {
  const char* priority = !block       ? ""
                         : f.RealTime ? ", Echtzeit-Priorität"
                                      : ", ohne Echtzeit-Priorität (nicht erlaubt)";
  using Seconds = std::chrono::duration<double>;
  const double wall = Seconds(f.Wall).count();
  const double busy = Seconds(f.Busy).count();
  std::fprintf(stderr,
               "%lld Blöcke zu %d Frames in %.1f s, %llu Aussetzer, %llu Xruns des Servers, "
               "Rechenlast %.1f %% (%.3f ms je Block)%s\n",
               static_cast<long long>(f.Blocks), block ? block : TSampleBuffer::kFrames, wall,
               static_cast<unsigned long long>(dropouts), static_cast<unsigned long long>(xruns),
               wall > 0 ? 100.0 * busy / wall : 0.0,
               f.Blocks > 0 ? 1000.0 * busy / double(f.Blocks) : 0.0, priority);
}

}  // namespace

bool WantsLive(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--live") return true;
  return false;
}

int RunLive(int argc, char** argv) {
  std::string error;
  const std::optional<CommandLine> line =
      ParseCommandLine({argv + 1, size_t(argc - 1)}, Kind::Live, error);
  if (!line) {
    std::fprintf(stderr, "quarvin-render: %s\n\n%s", error.c_str(), UsageText(Kind::Live).c_str());
    return 1;
  }
  if (line->Help || line->Version) {
    std::puts(line->Help ? UsageText(Kind::Live).c_str() : VersionText().c_str());
    return 0;
  }
  // The signals are taken by sigwait below; blocked before any thread starts, so that every
  // thread (the audio thread, the sound library's) inherits the mask and none is interrupted.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  const std::unique_ptr<WaveSystem> card = OpenSoundCard(line->Card);
  // Without MIDI the patch plays on; the runner says so once.
  std::string midiNote;
  const std::unique_ptr<MidiInput> midi = OpenMidiInput(card.get(), midiNote);
  if (!midi && !line->Quiet) std::fprintf(stderr, "quarvin-render: %s\n", midiNote.c_str());
  HeadlessShell shell;
  TMainClient client(shell, card.get());
  client.SetLiveBlock(line->Card.BlockFrames);
  // The helpers start before the audio does.
  if (line->Threads > 1) client.UseCrew(std::make_unique<TScheduleCrew>(line->Threads));
  if (midi) client.SetMidi(&midi->Queue());
  if (!client.Setup()) {
    PrintErrors(shell);
    return 1;
  }
  if (const auto loaded = client.Load(line->Patch); !loaded) {
    PrintErrors(shell);
    client.CloseQuery();
    // A file that cannot be read is a file error, as in the render tool.
    return loaded.kind == TMainClient::LoadResult::Unreadable ? 1 : 2;
  }
  // A take cannot be repeated: an existing file is never replaced.
  if (!line->Recording.empty()) {
    const std::string error =
        client.StartRecording(line->Recording, false, SoundOutput::Existing::Refuse);
    if (!error.empty()) {
      std::fprintf(stderr, "quarvin-render: %s\n", error.c_str());
      client.CloseQuery();
      return 1;
    }
  }
  if (!line->Quiet) {
    if (const std::string note = CardRateNote(client.CardRate()); !note.empty())
      std::fprintf(stderr, "%s\n", note.c_str());
    std::fprintf(stderr, "%s läuft live; Strg+C beendet.\n", line->Patch.c_str());
  }
  const bool lost = RunUntilStopped(client, shell, stop);
  const size_t shown = shell.errors.size();
  const uint64_t cardDropouts = client.Dropouts(), xruns = client.Xruns();
  client.CloseQuery();
  if (lost) std::fprintf(stderr, "quarvin-render: %s\n", TMainClient::kSoundLost);
  if (!line->Quiet) {
    const TAudioLoop::Figures& f = client.LiveFigures();
    PrintSummary(f, cardDropouts + uint64_t(f.Late), xruns, line->Card.BlockFrames);
    for (const std::string& n : shell.notices) std::fprintf(stderr, "%s\n", n.c_str());
  }
  PrintErrors(shell, shown);
  const auto& recording = client.LastRecording();
  const bool recorded = !recording || recording->kind == TRecorder::Outcome::Complete;
  return !lost && (line->Recording.empty() || recorded) ? 0 : 1;
}
