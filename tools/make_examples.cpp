// quarvin-make-examples: builds the example patches through the canvas, the way a user would put
// them together, and writes them into a folder; optionally writes one patch per device type for
// the guide's panel pictures.
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "art_sheet.h"
#include "devices/filter.h"
#include "devices/flanger.h"
#include "devices/hall.h"
#include "devices/io.h"
#include "devices/lfo.h"
#include "devices/midi.h"
#include "devices/mixer.h"
#include "devices/mult.h"
#include "devices/osci.h"
#include "devices/registry.h"
#include "devices/vco.h"
#include "devices/vocoder.h"
#include "devices/vumeter.h"
#include "platform/atomic_file.h"
#include "platform/dc.h"
#include "platform/png.h"

namespace {
namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Aufruf: quarvin-make-examples [ORDNER] [--panels ORDNER] [--cable "
    "BILD.png] [--art BILD.png]\n"
    "\n"
    "  ORDNER           schreibt die Beispiel-Patches (*.qvn) in diesen Ordner\n"
    "  --panels ORDNER  schreibt je Gerätetyp einen Patch mit nur diesem Gerät und gibt\n"
    "                   je Zeile Datei, Breite und Höhe des Bildes aus, das es zeigt\n"
    "  --cable BILD.png zeichnet die Arbeitsfläche nach dem Start mit einem Kabel, das vom\n"
    "                   Ausgang L des Input zum Mauszeiger hängt (für die Anleitung)\n"
    "  --art BILD.png   zeichnet alle Bitmaps des Programms auf einen Kontaktbogen\n";

// One patch under construction on a canvas of its own, without audio.
class Patch {
 public:
  template <class T = NTDevWin>
  T& Add(DeviceType type, Point at) {
    auto* device = dynamic_cast<T*>(client_.CreateDevice(type));
    device->MoveTo(at);
    return *device;
  }
  // The patch as the program writes it after opening it: reading settles state that only the
  // running audio would otherwise bring in line with the controls (a VCO's step follows its
  // frequency control), so the file reads back and saves unchanged.
  std::vector<uint8_t> Bytes() {
    HeadlessShell shell;
    TMainClient reader(shell, nullptr);
    return reader.LoadBytes(client_.SaveBytes()) ? reader.SaveBytes() : std::vector<uint8_t>{};
  }

 private:
  HeadlessShell shell_;
  TMainClient client_{shell_, nullptr};
};

void Connect(NTPlugOut& out, NTPlugIn& in) {
  in.Source = &out;
}
// A control changed as if by the user: the read-out and the device hear of it as from the slider.
void Set(NTReg& reg, int32_t value) {
  reg.SetValue(value);
  reg.NotifyChange();
}
void Select(NTDevWin& device, NTKeyset& keys, int32_t key) {
  keys.Selected = key;
  device.CtrlNotify(keys.Code);
}
void SwitchOn(NTDevWin& device, NTKey& key) {
  key.State = 1;
  device.CtrlNotify(key.Code);
}
void ToBothSides(NTPlugOut& out, NTOutput& output) {
  Connect(out, output.L);
  Connect(out, output.R);
}

// A slow LFO bends the pitch of a VCO by about an octave.
void LfoVco(Patch& p) {
  auto& lfo = p.Add<NTLFO>(DeviceType::LFO, {20, 40});
  auto& vco = p.Add<NTVCO>(DeviceType::VCO, {200, 40});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {350, 40});
  Set(lfo.Rate, 12000);
  Set(lfo.Level, 90);
  Set(vco.Freq, 24000);
  Set(vco.Level, 800);
  Select(vco, vco.Wave, 1);
  Connect(lfo.Out, vco.Fm);
  ToBothSides(vco.Out, output);
}

// Played from a MIDI keyboard: the note's pitch on the VCO's FM input (the VCO stays at the
// reference A 440 Hz), the gate on its AM input opens the level from silence to 0 dB.
void MidiVco(Patch& p) {
  auto& midi = p.Add<NTMidi>(DeviceType::Midi, {20, 40});
  auto& vco = p.Add<NTVCO>(DeviceType::VCO, {170, 40});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {320, 40});
  Set(vco.Level, 0);
  Select(vco, vco.Wave, 1);
  Connect(midi.Pitch, vco.Fm);
  Connect(midi.Gate, vco.Am);
  ToBothSides(vco.Out, output);
}

// A resonant band pass on the left input channel.
void Filter(Patch& p) {
  auto& input = p.Add<NTInput>(DeviceType::Input, {20, 40});
  auto& filter = p.Add<NTFilter>(DeviceType::Filter, {150, 40});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {320, 40});
  Select(filter, filter.KindKeys, NTFilter::BandPassKind);
  Set(filter.Freq, 24000);
  Set(filter.Q, 40);
  Connect(input.L, filter.In);
  ToBothSides(filter.Out, output);
}

// An LFO on "Ext" moves the flanger's delay.
void Flanger(Patch& p) {
  auto& input = p.Add<NTInput>(DeviceType::Input, {20, 40});
  auto& flanger = p.Add<NTFlanger>(DeviceType::Flanger, {150, 40});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {310, 40});
  auto& lfo = p.Add<NTLFO>(DeviceType::LFO, {130, 320});
  Set(lfo.Rate, 6000);
  Set(lfo.Level, 400);
  Set(flanger.Feedback, 700);
  Connect(lfo.Out, flanger.Ext);
  Connect(input.L, flanger.In);
  ToBothSides(flanger.Out, output);
}

// The reverberation mixed with the dry signal.
void Hall(Patch& p) {
  auto& input = p.Add<NTInput>(DeviceType::Input, {20, 40});
  auto& hall = p.Add<NTHall>(DeviceType::Hall, {150, 40});
  auto& mixer = p.Add<NTMixer>(DeviceType::Mixer, {280, 40});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {520, 40});
  Set(hall.Feedback, 650);
  Set(mixer.Level[1], 820);
  Connect(input.L, mixer.In[0]);
  Connect(input.L, hall.In);
  Connect(hall.Out, mixer.In[1]);
  ToBothSides(mixer.Out, output);
}

void Vocoder(Patch& p) {
  auto& input = p.Add<NTInput>(DeviceType::Input, {20, 40});
  auto& vocoder = p.Add<NTVocoder>(DeviceType::Vocoder, {150, 40});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {300, 40});
  Connect(input.L, vocoder.In);
  ToBothSides(vocoder.Out, output);
}

// A VCO and an LFO, each on a VU meter and on its own channel of the oscilloscope.
void Meters(Patch& p) {
  auto& vco = p.Add<NTVCO>(DeviceType::VCO, {20, 40});
  auto& lfo = p.Add<NTLFO>(DeviceType::LFO, {20, 300});
  auto& vuVco = p.Add<NTVUMeter>(DeviceType::VUMeter, {190, 40});
  auto& vuLfo = p.Add<NTVUMeter>(DeviceType::VUMeter, {190, 300});
  auto& osci = p.Add<NTOsci>(DeviceType::Oscilloscope, {290, 40});
  Set(vco.Freq, 30000);
  Set(vco.Level, 800);
  Set(lfo.Rate, 40000);
  Set(osci.TimeBase, -1);
  SwitchOn(osci, osci.On[1]);
  Connect(vco.Out, vuVco.In);
  Connect(lfo.Out, vuLfo.In);
  Connect(vco.Out, osci.In[0]);
  Connect(lfo.Out, osci.In[1]);
}

// The input times a VCO, mixed with the dry input.
void RingMod(Patch& p) {
  auto& input = p.Add<NTInput>(DeviceType::Input, {20, 40});
  auto& vco = p.Add<NTVCO>(DeviceType::VCO, {20, 300});
  auto& mult = p.Add<NTMult>(DeviceType::Multiplier, {180, 40});
  auto& mixer = p.Add<NTMixer>(DeviceType::Mixer, {300, 40});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {540, 40});
  Set(vco.Freq, 20000);
  Set(mixer.Level[0], 700);
  Connect(input.L, mult.In1);
  Connect(vco.Out, mult.In2);
  Connect(input.L, mixer.In[0]);
  Connect(mult.Out, mixer.In[1]);
  ToBothSides(mixer.Out, output);
}

// Every kind of device in one patch: an effect chain, a ring modulator and a vocoder on the
// input, mixed, shown and played.
void Showcase(Patch& p) {
  auto& input = p.Add<NTInput>(DeviceType::Input, {10, 20});
  auto& filter = p.Add<NTFilter>(DeviceType::Filter, {110, 20});
  auto& flanger = p.Add<NTFlanger>(DeviceType::Flanger, {245, 20});
  auto& hall = p.Add<NTHall>(DeviceType::Hall, {370, 20});
  auto& lfo = p.Add<NTLFO>(DeviceType::LFO, {465, 20});
  auto& vco = p.Add<NTVCO>(DeviceType::VCO, {630, 20});
  auto& mult = p.Add<NTMult>(DeviceType::Multiplier, {765, 20});
  auto& vocoder = p.Add<NTVocoder>(DeviceType::Vocoder, {765, 150});
  auto& osci = p.Add<NTOsci>(DeviceType::Oscilloscope, {10, 280});
  auto& vu = p.Add<NTVUMeter>(DeviceType::VUMeter, {575, 280});
  auto& mixer = p.Add<NTMixer>(DeviceType::Mixer, {635, 280});
  auto& output = p.Add<NTOutput>(DeviceType::Output, {840, 280});
  Set(filter.Freq, 36000);
  Set(lfo.Rate, 8000);
  Set(lfo.Level, 300);
  Set(vco.Freq, 18000);
  Set(mixer.Level[1], 800);
  Set(mixer.Level[2], 750);
  Set(mixer.Level[3], 750);
  SwitchOn(osci, osci.On[1]);
  Connect(input.L, filter.In);
  Connect(filter.Out, flanger.In);
  Connect(lfo.Out, flanger.Ext);
  Connect(flanger.Out, hall.In);
  Connect(lfo.OutMirror, vco.Am);
  Connect(input.R, mult.In1);
  Connect(vco.Out, mult.In2);
  Connect(input.L, vocoder.In);
  Connect(input.L, mixer.In[0]);
  Connect(hall.Out, mixer.In[1]);
  Connect(mult.Out, mixer.In[2]);
  Connect(vocoder.Out, mixer.In[3]);
  ToBothSides(mixer.Out, output);
  Connect(mixer.Out, vu.In);
  Connect(mixer.Out, osci.In[0]);
  Connect(input.L, osci.In[1]);
}

struct Example {
  const char* file;
  void (*build)(Patch&);
};
constexpr Example kExamples[] = {
    {"lfo_vco.qvn", LfoVco},  {"filter.qvn", Filter},     {"flanger.qvn", Flanger},
    {"hall.qvn", Hall},       {"vocoder.qvn", Vocoder},   {"meters.qvn", Meters},
    {"ringmod.qvn", RingMod}, {"showcase.qvn", Showcase}, {"midi_vco.qvn", MidiVco},
};

bool WritePatch(Patch& patch, const fs::path& path) {
  const auto bytes = patch.Bytes();
  if (!bytes.empty() && WriteFileAtomically(path, bytes)) return true;
  std::fprintf(stderr, "quarvin-make-examples: %s: nicht geschrieben\n", path.c_str());
  return false;
}

bool WriteExamples(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const Example& e : kExamples) {
    Patch patch;
    e.build(patch);
    if (!WritePatch(patch, folder / e.file)) return false;
  }
  return true;
}

// The panel stands this far from the picture's edges on every side.
constexpr int kPanelMargin = 10;

// One patch per device type, the panel alone with its initial settings; the listing tells a
// script how large a picture shows the panel with its margin.
bool WritePanels(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const TDeviceEntry& e : DeviceRegistry()) {
    Patch patch;
    const NTDevWin& device = patch.Add(e.type, {kPanelMargin, kPanelMargin});
    const std::string file = std::string(e.name) + ".qvn";
    if (!WritePatch(patch, folder / file)) return false;
    std::printf("%s %d %d\n", file.c_str(), device.W + 2 * kPanelMargin,
                device.H + 2 * kPanelMargin);
  }
  return true;
}

// The canvas right after the start, with the mouse having clicked the Input's "L" output and
// moved on: the provisional cable hangs from the connector to the pointer.
Surface PendingCable() {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  client.Resize(300, 190);
  client.Setup();
  const Point plug{66, 50}, pointer{250, 150};
  client.Mouse(MouseKind::LDown, plug);
  client.Mouse(MouseKind::LUp, plug);
  client.Mouse(MouseKind::Move, pointer);
  client.PaintPending();
  return client.Pixels();
}
}  // namespace

int main(int argc, char** argv) {
  std::string folder, panels, cable, art;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cable" && i + 1 < argc) {
      cable = argv[++i];
    } else if (a == "--art" && i + 1 < argc) {
      art = argv[++i];
    } else if (a == "--panels" && i + 1 < argc) {
      panels = argv[++i];
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!a.empty() && a[0] != '-' && folder.empty()) {
      folder = a;
    } else {
      std::fputs(kUsage, stderr);
      return 1;
    }
  }
  if (folder.empty() && panels.empty() && cable.empty() && art.empty()) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  if (!folder.empty() && !WriteExamples(folder)) return 1;
  if (!panels.empty() && !WritePanels(panels)) return 1;
  for (const auto& [path, picture] :
       {std::pair{cable, &PendingCable}, std::pair{art, &ArtContactSheet}})
    if (!path.empty() && !WritePng(picture(), path)) {
      std::fprintf(stderr, "quarvin-make-examples: %s: Bild konnte nicht geschrieben werden\n",
                   path.c_str());
      return 1;
    }
  return 0;
}
