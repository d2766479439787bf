#include "devices/factory.h"

#include "devices/filter.h"
#include "devices/flanger.h"
#include "devices/hall.h"
#include "devices/io.h"
#include "devices/lfo.h"
#include "devices/mixer.h"
#include "devices/mult.h"
#include "devices/osci.h"
#include "devices/vco.h"
#include "devices/vocoder.h"
#include "devices/vumeter.h"

namespace {
template <class T>
NTDevWin* Make(NTCanvas* canvas, NTWin* root) {
  return new T(canvas, root);
}

// Type numbers are stored in patch files and never reused.
struct FactoryEntry {
  int type;
  NTDevWin* (*make)(NTCanvas*, NTWin*);
};
constexpr FactoryEntry kDevices[] = {
    {1, Make<NTOutput>}, {2, Make<NTInput>},    {3, Make<NTVCO>},    {4, Make<NTLFO>},
    {5, Make<NTHall>},   {6, Make<NTFlanger>},  {7, Make<NTFilter>}, {8, Make<NTMixer>},
    {9, Make<NTMult>},   {10, Make<NTVUMeter>}, {11, Make<NTOsci>},  {12, Make<NTVocoder>},
};
}  // namespace

NTDevWin* MakeDevice(int type, NTCanvas* canvas, NTWin* root) {
  for (const FactoryEntry& e : kDevices)
    if (e.type == type) return e.make(canvas, root);
  return nullptr;
}
