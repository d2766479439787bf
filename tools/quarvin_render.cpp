// quarvin-render: loads a patch with the program's own reader, runs the processing cycle block by
// block over an input file (or silence), writes the output, and optionally saves the patch and
// draws the canvas.
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "live_run.h"
#include "platform/png.h"

namespace {
constexpr int kRate = 44100;
constexpr int kFrames = TSampleBuffer::Frames;
// The program's 10 ms timer ticks about seven times during one 68 ms block.
constexpr int kTicksPerBlock = 7;

constexpr const char* kUsage =
    "Aufruf: quarvin-render PATCH.qvn [-i IN.wav] [-o OUT.wav] [-b BLOCKS] [-s SAVED.qvn]\n"
    "                      [--png BILD.png] [--size BxH] [-q]\n"
    "\n"
    "  -i IN.wav      Eingang (44100 Hz; mono wird auf beide Kanäle gelegt); sonst Stille\n"
    "  -o OUT.wav     Ausgang als 16-Bit-Stereo-WAV, 44100 Hz\n"
    "  -b BLOCKS      Anzahl der Blöcke zu 3000 Frames (Vorgabe: Länge des Eingangs, sonst 1)\n"
    "  -s SAVED.qvn   den Patch nach der Verarbeitung speichern\n"
    "  --png BILD.png die Arbeitsfläche nach der Verarbeitung als Bild zeichnen\n"
    "  --size BxH     Bildgröße (Vorgabe 1024x768)\n"
    "  -q             keine Fortschrittsanzeige und keine Zusammenfassung\n"
    "\n"
    "       quarvin-render --live PATCH.qvn ...   live über die Soundkarte (--live --help)\n";

struct Options {
  std::string patch, in, out, saved, png;
  std::optional<long> blocks;
  int width = 1024, height = 768;
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

// Returns 0 when parsed, else the exit code (1 for usage errors, 0 after --help).
std::optional<int> Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "-q") {
      o.quiet = true;
    } else if (a == "-i" || a == "-o" || a == "-s" || a == "--png" || a == "-b" || a == "--size") {
      const char* v = value();
      if (!v) return UsageError(("fehlender Wert nach " + a).c_str());
      if (a == "-i") o.in = v;
      if (a == "-o") o.out = v;
      if (a == "-s") o.saved = v;
      if (a == "--png") o.png = v;
      if (a == "-b" && !(o.blocks = ParseCount(v))) return UsageError("ungültige Blockzahl");
      if (a == "--size" && !ParseSize(v, o.width, o.height)) return UsageError("ungültige Größe");
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

// The input as interleaved stereo frames.
std::optional<std::vector<int16_t>> ReadInput(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) {
    std::fprintf(stderr, "quarvin-render: %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return std::nullopt;
  }
  std::vector<int16_t> stereo;
  if (info.samplerate != kRate) {
    std::fprintf(stderr, "quarvin-render: %s: Abtastrate %d Hz, erwartet werden %d Hz\n",
                 path.c_str(), info.samplerate, kRate);
  } else if (info.channels < 1) {
    std::fprintf(stderr, "quarvin-render: %s: keine Kanäle\n", path.c_str());
  } else {
    // Read in chunks: one call per frame would cost a system call per frame.
    constexpr sf_count_t kChunk = 4096;
    const auto channels = size_t(info.channels);
    std::vector<int16_t> chunk(size_t(kChunk) * channels);
    stereo.reserve(size_t(std::max<sf_count_t>(info.frames, 0)) * 2);
    for (sf_count_t n; (n = sf_readf_short(f, chunk.data(), kChunk)) > 0;) {
      for (size_t i = 0; i < size_t(n); ++i) {
        stereo.push_back(chunk[i * channels]);
        stereo.push_back(chunk[i * channels + (channels > 1 ? 1 : 0)]);
      }
    }
    sf_close(f);
    return stereo;
  }
  sf_close(f);
  return std::nullopt;
}

bool WriteOutput(const std::string& path, const std::vector<int16_t>& stereo) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    std::fprintf(stderr, "quarvin-render: %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  const sf_count_t frames = sf_count_t(stereo.size() / 2);
  const bool ok = sf_writef_short(f, stereo.data(), frames) == frames;
  sf_close(f);
  return ok;
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
    const int width = 40;
    const int filled = int(done * width / std::max(total_, 1L));
    std::fprintf(stderr, "\r[%-*s] %3ld%%", width, std::string(size_t(filled), '#').c_str(),
                 done * 100 / std::max(total_, 1L));
  }
  void Finish(long blocks) {
    if (quiet_) return;
    if (shown_) std::fputc('\n', stderr);
    const double wall = std::chrono::duration<double>(Clock::now() - start_).count();
    const double audio = double(blocks) * kFrames / kRate;
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
}  // namespace

int main(int argc, char** argv) {
  if (WantsLive(argc, argv)) return RunLive(argc, argv);
  Options o;
  if (const auto code = Parse(argc, argv, o)) return *code;

  std::vector<int16_t> input;
  if (!o.in.empty()) {
    auto read = ReadInput(o.in);
    if (!read) return 1;
    input = std::move(*read);
  }
  const long inputFrames = long(input.size() / 2);
  const long blocks =
      o.blocks ? *o.blocks : (o.in.empty() ? 1 : (inputFrames + kFrames - 1) / kFrames);

  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  client.Resize(o.width, o.height);
  if (!client.Load(o.patch)) {
    for (const std::string& e : shell.errors) std::fprintf(stderr, "%s\n", e.c_str());
    return 2;
  }

  std::vector<int16_t> output;
  if (!o.out.empty()) output.reserve(size_t(blocks) * kFrames * 2);
  Progress progress(blocks, o.quiet);
  for (long k = 0; k < blocks; ++k) {
    int16_t* in = client.InBuf[0].Data();
    const long first = k * kFrames * 2;
    const long available = std::clamp<long>(long(input.size()) - first, 0, kFrames * 2);
    std::copy_n(input.begin() + std::min<long>(first, long(input.size())), available, in);
    std::fill(in + available, in + kFrames * 2, int16_t{0});
    client.ProcessBlock(0, 0);
    if (!o.out.empty())
      output.insert(output.end(), client.OutBuf[0].Data(), client.OutBuf[0].Data() + kFrames * 2);
    for (int t = 0; t < kTicksPerBlock; ++t) client.Timer();
    progress.Step(k + 1);
  }

  if (!o.out.empty() && !WriteOutput(o.out, output)) return 1;
  if (!o.saved.empty()) {
    client.FileName = o.saved;
    if (!client.Save()) {
      std::fprintf(stderr, "quarvin-render: %s: %s\n", o.saved.c_str(),
                   shell.errors.back().c_str());
      return 1;
    }
  }
  if (!o.png.empty()) {
    Surface picture(o.width, o.height);
    client.PaintAll(picture);
    if (!WritePng(picture, o.png)) {
      std::fprintf(stderr, "quarvin-render: %s: Bild konnte nicht geschrieben werden\n",
                   o.png.c_str());
      return 1;
    }
  }
  progress.Finish(blocks);
  return 0;
}
