#include "app/command_line.h"

#include <charconv>
#include <cstdio>

#include "app/audio_loop.h"
#include "app/main_client.h"

namespace {

using Kind = CommandLine::Kind;

constexpr const char* kCardHelp =
    "  --block FRAMES     Live-Ton in kurzen Blöcken zu FRAMES Frames (64 bis 3000) statt\n"
    "                     der üblichen 3000 Frames: weniger Verzögerung vom Eingang zum\n"
    "                     Ausgang (128 Frames: unter 10 ms), dafür mehr Rechenlast\n"
    "  --eingang N|NAME   Eingabegerät: Nummer oder Name aus --geraete (sonst das Standardgerät)\n"
    "  --ausgang N|NAME   Ausgabegerät: Nummer oder Name aus --geraete (sonst das Standardgerät)\n"
    "  --nicht-verbinden  unter JACK die Anschlüsse quarvin:in_L/in_R und out_L/out_R nicht\n"
    "                     selbst mit denen des Systems verbinden\n";

std::optional<int> ParseBlock(const std::string& s) {
  int v = 0;
  const char* end = s.data() + s.size();
  if (std::from_chars(s.data(), end, v).ptr != end || s.empty()) return std::nullopt;
  if (v < TAudioLoop::kMinBlockFrames || v > TAudioLoop::kMaxBlockFrames) return std::nullopt;
  return v;
}

}  // namespace

std::optional<int> ParseThreads(const std::string& s) {
  int v = 0;
  const char* end = s.data() + s.size();
  if (std::from_chars(s.data(), end, v).ptr != end || s.empty() || v < 1 || v > kMaxThreads)
    return std::nullopt;
  return v;
}

std::optional<CommandLine> ParseCommandLine(std::span<char* const> args, Kind kind,
                                            std::string& error) {
  CommandLine line;
  const bool program = kind == Kind::Program;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string a = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return std::string(args[++i]);
    };
    if (a == "--help" || a == "-h") {
      line.Help = true;
    } else if (a == "--version") {
      line.Version = true;
    } else if (a == "--geraete" && program) {
      line.ListDevices = true;
    } else if (a == "-q" && !program) {
      line.Quiet = true;
    } else if (a == "--live" && !program) {
    } else if (a == "--nicht-verbinden") {
      line.Card.Connect = false;
    } else if (a == "--aufnahme" && !program) {
      const std::optional<std::string> v = value();
      if (!v) {
        error = "fehlender Wert nach " + a;
        return std::nullopt;
      }
      line.Recording = *v;
    } else if (a == "--block" || a == "--eingang" || a == "--ausgang" ||
               (a == "--threads" && !program)) {
      const std::optional<std::string> v = value();
      if (!v) {
        error = "fehlender Wert nach " + a;
        return std::nullopt;
      }
      if (a == "--eingang") line.Card.In = *v;
      if (a == "--ausgang") line.Card.Out = *v;
      if (a == "--threads") {
        const std::optional<int> threads = ParseThreads(*v);
        if (!threads) {
          error = "ungültige Threadzahl " + *v + " (erlaubt sind 1 bis " +
                  std::to_string(kMaxThreads) + ")";
          return std::nullopt;
        }
        line.Threads = *threads;
      }
      if (a == "--block") {
        const std::optional<int> frames = ParseBlock(*v);
        if (!frames) {
          error = "ungültige Blockgröße " + *v + " (erlaubt sind 64 bis 3000 Frames)";
          return std::nullopt;
        }
        line.Card.BlockFrames = *frames;
      }
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unbekannte Option " + a;
      return std::nullopt;
    } else if (line.Patch.empty()) {
      line.Patch = a;
    } else {
      error = "mehr als eine Patch-Datei";
      return std::nullopt;
    }
  }
  if (!program && line.Patch.empty() && !line.Help && !line.Version) {
    error = "keine Patch-Datei angegeben";
    return std::nullopt;
  }
  return line;
}

WaveSettings WithCommandLine(WaveSettings remembered, const WaveSettings& given) {
  if (!given.In.empty()) remembered.In = given.In;
  if (!given.Out.empty()) remembered.Out = given.Out;
  if (given.BlockFrames > 0) remembered.BlockFrames = given.BlockFrames;
  if (!given.Connect) remembered.Connect = false;
  return remembered;
}

std::string UsageText(Kind kind) {
  if (kind == Kind::Live)
    return std::string(
               "Aufruf: quarvin-render --live PATCH.qvn [--block FRAMES] [--eingang N|NAME]\n"
               "                      [--ausgang N|NAME] [--nicht-verbinden] [--threads N]\n"
               "                      [--aufnahme DATEI] [-q]\n"
               "\n"
               "Spielt den Patch live über die Soundkarte, ohne Fenster, bis Strg+C oder\n"
               "SIGTERM; meldet dann Aussetzer und Rechenlast.\n"
               "\n") +
           kCardHelp +
           "  --threads N        mit N Threads rechnen (1 bis 16, Vorgabe 1); gleicher Klang\n"
           "  --aufnahme DATEI   nimmt auf, was zur Soundkarte geht (16 Bit stereo, 44100 Hz;\n"
           "                     .wav, .flac, .ogg oder .aiff); eine vorhandene Datei wird\n"
           "                     nicht ersetzt\n"
           "  -q                 keine Zusammenfassung am Ende\n";
  return std::string(
             "Aufruf: quarvin [OPTIONEN] [PATCH.qvn]\n"
             "\n"
             "Startet Quarvin und öffnet den Patch wie „Datei → Öffnen...“.\n"
             "\n") +
         kCardHelp +
         "  --geraete          die Ein- und Ausgabegeräte der Soundkarte auflisten\n"
         "  --version          die Version ausgeben\n"
         "  -h, --help         diese Hilfe ausgeben\n";
}

std::string VersionText() {
  return TMainClient::kProduct;
}

std::string DeviceTable(const std::vector<WaveDeviceInfo>& devices) {
  if (devices.empty()) return "Keine Geräte gefunden.\n";
  std::string table = "Nr.  Schnittstelle              Ein  Aus  Name\n";
  for (const WaveDeviceInfo& d : devices) {
    char line[160];
    std::snprintf(line, sizeof line, "%3d  %-25.25s %4d %4d  ", d.Index, d.HostApi.c_str(),
                  d.InChannels, d.OutChannels);
    table += line + d.Name + "\n";
  }
  return table;
}
