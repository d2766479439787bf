// quarvin-render: loads a patch with the program's own reader, runs the processing cycle block by
// block over an input file (or silence), writes the output, and optionally saves the patch and
// draws the canvas.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/headless_shell.h"
#include "app/main_client.h"
#include "live_run.h"
#include "platform/png.h"
#include "platform/sound_output.h"
#include "render/sound_input.h"

namespace {
constexpr int kFrames = TSampleBuffer::kFrames;
// The program's 10 ms timer ticks about seven times during one 68 ms block.
constexpr int kTicksPerBlock = 7;

constexpr const char* kUsage =
    "Aufruf: quarvin-render PATCH.qvn [-i IN.wav] [-o OUT.wav] [-b BLOCKS] [-s SAVED.qvn]\n"
    "                      [--png BILD.png] [--size BxH] [--threads N] [-q] [--version]\n"
    "\n"
    "  -i IN.wav      Eingang, jede Tondatei (andere Abtastraten werden auf 44100 Hz\n"
    "                 umgerechnet, mono auf beide Kanäle gelegt); sonst Stille\n"
    "  -o OUT.wav     Ausgang, 16 Bit stereo, 44100 Hz; das Format folgt der Endung:\n"
    "                 .wav, .flac, .ogg (Vorbis), .aiff\n"
    "  -b BLOCKS      Anzahl der Blöcke zu 3000 Frames (Vorgabe: Länge des Eingangs, sonst 1)\n"
    "  -s SAVED.qvn   den Patch nach der Verarbeitung speichern\n"
    "  --png BILD.png die Arbeitsfläche nach der Verarbeitung als Bild zeichnen\n"
    "  --size BxH     Bildgröße (Vorgabe 1024x768)\n"
    "  --threads N    mit N Threads rechnen (1 bis 16, Vorgabe 1); gleiches Ergebnis\n"
    "  -q             keine Hinweise, keine Fortschrittsanzeige und keine Zusammenfassung\n"
    "  --version      Version anzeigen\n"
    "\n"
    "Rückgabewert: 0 fertig, 1 Aufruf- oder Dateifehler, 2 Patch abgelehnt\n"
    "\n"
    "       quarvin-render --live PATCH.qvn ...   live über die Soundkarte (--live --help)\n";

struct Options {
  std::string patch, in, out, saved, png;
  std::optional<long> blocks;
  int width = 1024, height = 768;
  int threads = 1;
  bool quiet = false;
};

int UsageError(const char* why) {
  std::fprintf(stderr, "quarvin-render: %s\n\n%s", why, kUsage);
  return 1;
}

std::optional<long> ParseCount(const char* s) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (end == s || *end || v < 0 || v > 100000000) return std::nullopt;
  return v;
}

bool ParseSize(const char* s, int& w, int& h) {
  unsigned long pw = 0, ph = 0;
  char x = 0, rest = 0;
  if (std::sscanf(s, "%lu%c%lu%c", &pw, &x, &ph, &rest) != 3 || (x != 'x' && x != 'X'))
    return false;
  if (pw < 1 || ph < 1 || pw > 16384 || ph > 16384) return false;
  w = int(pw);
  h = int(ph);
  return true;
}

// Returns nullopt when parsed, else the exit code (1 for usage errors, 0 after --help).
std::optional<int> Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      std::printf("quarvin-render (%s)\n", TMainClient::kProduct);
      return 0;
    } else if (a == "-q") {
      o.quiet = true;
    } else if (a == "-i" || a == "-o" || a == "-s" || a == "--png" || a == "-b" || a == "--size" ||
               a == "--threads") {
      const char* v = value();
      if (!v) return UsageError(("fehlender Wert nach " + a).c_str());
      if (a == "-i") o.in = v;
      if (a == "-o") o.out = v;
      if (a == "-s") o.saved = v;
      if (a == "--png") o.png = v;
      if (a == "-b" && !(o.blocks = ParseCount(v))) return UsageError("ungültige Blockzahl");
      if (a == "--size" && !ParseSize(v, o.width, o.height)) return UsageError("ungültige Größe");
      if (a == "--threads") {
        const std::optional<int> threads = ParseThreads(v);
        if (!threads) return UsageError("ungültige Threadzahl (erlaubt sind 1 bis 16)");
        o.threads = *threads;
      }
    } else if (!a.empty() && a[0] == '-') {
      return UsageError(("unbekannte Option " + a).c_str());
    } else if (o.patch.empty()) {
      o.patch = a;
    } else {
      return UsageError("mehr als eine Patch-Datei");
    }
  }
  if (o.patch.empty()) return UsageError("keine Patch-Datei angegeben");
  return std::nullopt;
}

void Say(const std::string& path, const std::string& what) {
  std::fprintf(stderr, "quarvin-render: %s: %s\n", path.c_str(), what.c_str());
}

int FileError(const std::string& path, const std::string& what) {
  Say(path, what);
  return 1;
}

// The output's length when it is known before rendering; -1 when it follows the input.
int64_t PlannedFrames(const Options& o, const SoundInput* input) {
  if (o.blocks) return int64_t(*o.blocks) * kFrames;
  if (!input) return kFrames;
  if (input->ExpectedFrames() <= 0) return -1;
  return (input->ExpectedFrames() + kFrames - 1) / kFrames * kFrames;
}

class Progress {
 public:
  Progress(long total, bool quiet) : total_(total), quiet_(quiet) {}
  void Step(long done) {
    if (quiet_) return;
    const auto now = Clock::now();
    // Short renders stay silent; longer ones show a bar, redrawn a few times a second.
    if (now - start_ < std::chrono::seconds(2) || now - last_ < std::chrono::milliseconds(200))
      return;
    last_ = now;
    shown_ = true;
    if (total_ <= 0) {  // the input's length is not known in advance
      std::fprintf(stderr, "\r%ld Blöcke", done);
      return;
    }
    const int width = 40;
    const long shown = std::min(done, total_);
    const int filled = int(shown * width / total_);
    std::fprintf(stderr, "\r[%-*s] %3ld%%", width, std::string(size_t(filled), '#').c_str(),
                 shown * 100 / total_);
  }
  void Finish(long blocks) {
    if (quiet_) return;
    if (shown_) std::fputc('\n', stderr);
    const double wall = std::chrono::duration<double>(Clock::now() - start_).count();
    const double audio = double(blocks) * kFrames / kSampleRate;
    std::fprintf(stderr, "%ld Blöcke, %.2f s Audio in %.2f s (%.1fx Echtzeit)\n", blocks, audio,
                 wall, wall > 0 ? audio / wall : 0.0);
  }

 private:
  using Clock = std::chrono::steady_clock;
  long total_;
  bool quiet_;
  bool shown_ = false;
  Clock::time_point start_ = Clock::now(), last_ = start_;
};

// Runs the processing cycle block by block over the input (silence without one) into the
// output. Without -b it follows the input to its end, however long that turns out to be.
// Returns the number of blocks, or nullopt after a file error it has reported.
std::optional<long> RenderBlocks(const Options& o, TMainClient& client, SoundInput* input,
                                 SoundOutput* output, Progress& progress) {
  long blocks = 0;
  for (; !o.blocks || blocks < *o.blocks; ++blocks) {
    int16_t* in = client.InBlock(0).Data();
    const long got = input ? input->Read(in, kFrames) : 0;
    if (input && !input->Ok()) {
      Say(o.in, input->Error());
      return std::nullopt;
    }
    if (!o.blocks && (input ? got == 0 : blocks == 1)) break;
    std::fill(in + got * 2, in + kFrames * 2, int16_t{0});
    client.ProcessBlock(0, 0);
    if (output && !output->Write(client.OutBlock(0).Data(), kFrames)) {
      Say(o.out, output->Error());
      return std::nullopt;
    }
    for (int t = 0; t < kTicksPerBlock; ++t) client.Timer();
    progress.Step(blocks + 1);
  }
  if (output && !output->Close()) {
    Say(o.out, output->Error());
    return std::nullopt;
  }
  return blocks;
}
}  // namespace

int main(int argc, char** argv) {
  if (WantsLive(argc, argv)) return RunLive(argc, argv);
  Options o;
  if (const auto code = Parse(argc, argv, o)) return *code;

  std::unique_ptr<SoundInput> input;
  if (!o.in.empty()) {
    input = std::make_unique<SoundInput>(o.in, kSampleRate);
    if (!input->Ok()) return FileError(o.in, input->Error());
    if (!o.quiet)
      for (const std::string& note : input->Notes()) Say(o.in, note);
  }
  const int64_t planned = PlannedFrames(o, input.get());
  std::optional<int> format;
  if (!o.out.empty()) {
    format = OutputFormat(o.out, planned);
    if (!format)
      return UsageError(
          ("unbekanntes Ausgabeformat: " + o.out + " (möglich: " + kOutputExtensions + ")")
              .c_str());
    if (planned > MaxFrames(*format))
      return FileError(o.out, "so lang kann dieses Format nicht werden (höchstens " +
                                  std::to_string(MaxFrames(*format)) + " Frames)");
  }

  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  if (o.threads > 1) client.UseCrew(std::make_unique<TScheduleCrew>(o.threads));
  // The picture is drawn afresh at the end; the canvas needs its size only where the meters and
  // scopes draw as they run, which nobody sees without one.
  if (!o.png.empty()) client.Resize(o.width, o.height);
  // A damaged file is rejected too: batch work must not go on with part of a patch.
  if (const auto loaded = client.Load(o.patch); loaded.kind != TMainClient::LoadResult::Complete) {
    if (loaded.kind == TMainClient::LoadResult::Unreadable)
      return FileError(o.patch, "kann nicht geöffnet werden (" + loaded.reason + ")");
    for (const std::string& e : shell.errors) std::fprintf(stderr, "%s\n", e.c_str());
    return 2;
  }

  std::unique_ptr<SoundOutput> output;
  if (format) {
    output = std::make_unique<SoundOutput>(o.out, *format, kSampleRate);
    if (!output->Ok()) return FileError(o.out, output->Error());
  }
  Progress progress(planned < 0 ? 0 : long(planned / kFrames), o.quiet);
  const auto blocks = RenderBlocks(o, client, input.get(), output.get(), progress);
  if (!blocks) return 1;
  if (std::string why; !o.saved.empty() && !client.SaveCopy(o.saved, &why))
    return FileError(o.saved, "kann nicht gespeichert werden (" + why + ")");
  if (!o.png.empty()) {
    Surface picture(o.width, o.height);
    client.PaintAll(picture);
    std::string why;
    if (!WritePng(picture, o.png, &why))
      return FileError(o.png, "Bild kann nicht geschrieben werden (" + why + ")");
  }
  progress.Finish(*blocks);
  return 0;
}
