#include "devices/registry.h"

#include "devices/filter.h"
#include "devices/flanger.h"
#include "devices/hall.h"
#include "devices/io.h"
#include "devices/kernels.h"
#include "devices/lfo.h"
#include "devices/midi.h"
#include "devices/mixer.h"
#include "devices/mult.h"
#include "devices/osci.h"
#include "devices/vco.h"
#include "devices/vocoder.h"
#include "devices/vumeter.h"

namespace {
template <class T>
NTDevWin* Make(TCanvas* canvas, NTWin* root) {
  return new T(canvas, root);
}

constexpr TDeviceEntry kRegistry[] = {
    {DeviceType::Output, Make<NTOutput>, "output", "&Output", 109, OutputKernel},
    {DeviceType::Input, Make<NTInput>, "input", "&Input", 110, InputKernel},
    {DeviceType::VCO, Make<NTVCO>, "vco", "&VCO", 101, VcoKernel},
    {DeviceType::LFO, Make<NTLFO>, "lfo", "&LFO", 102, BlockKernel<NTLFO, TKernel::Latch::Zero>},
    {DeviceType::Hall, Make<NTHall>, "hall", "&Hall", 103,
     BlockKernel<NTHall, TKernel::Latch::Zero>},
    {DeviceType::Flanger, Make<NTFlanger>, "flanger", "&Flanger", 105,
     BlockKernel<NTFlanger, TKernel::Latch::Zero>},
    {DeviceType::Filter, Make<NTFilter>, "filter", "F&ilter", 106, FilterKernel},
    {DeviceType::Mixer, Make<NTMixer>, "mixer", "&Mixer", 104,
     BlockKernel<NTMixer, TKernel::Latch::Zero>},
    {DeviceType::Multiplier, Make<NTMult>, "multiplier", "Multi&plier", 107,
     BlockKernel<NTMult, TKernel::Latch::Keep>},
    {DeviceType::VUMeter, Make<NTVUMeter>, "vumeter", "V&U-Meter", 108,
     BlockKernel<NTVUMeter, TKernel::Latch::None>},
    {DeviceType::Oscilloscope, Make<NTOsci>, "oscilloscope", "Os&cilloscope", 111,
     BlockKernel<NTOsci, TKernel::Latch::None>},
    {DeviceType::Vocoder, Make<NTVocoder>, "vocoder", "Voco&der", 112, VocoderKernel},
    {DeviceType::Midi, Make<NTMidi>, "midi", "MIDI", 114,
     BlockKernel<NTMidi, TKernel::Latch::None>},
};
}  // namespace

std::span<const TDeviceEntry> DeviceRegistry() {
  return kRegistry;
}

const TDeviceEntry* FindDevice(DeviceType type) {
  for (const TDeviceEntry& e : kRegistry)
    if (e.type == type) return &e;
  return nullptr;
}

NTDevWin* MakeDevice(DeviceType type, TCanvas* canvas, NTWin* root) {
  const TDeviceEntry* e = FindDevice(type);
  if (!e) return nullptr;
  NTDevWin* d = e->make(canvas, root);
  d->Type = type;
  return d;
}

const TKernel* DeviceKernel(DeviceType type) {
  const TDeviceEntry* e = FindDevice(type);
  return e && e->kernel ? &e->kernel() : nullptr;
}

int InsertCommand(DeviceType type) {
  const TDeviceEntry* e = FindDevice(type);
  return e && e->caption ? e->command : 0;
}

DeviceType InsertType(int command) {
  for (const TDeviceEntry& e : kRegistry)
    if (e.caption && e.command == command) return e.type;
  return DeviceType::None;
}
