// quarvin-bench-patches: writes the patches the side-by-side benchmark renders, built with the
// canvas's own device factory and saved with its own writer:
//   empty.qvn       no devices
//   passthrough.qvn Input to Output, both channels (latency measurements)
//   tone.qvn        a sine VCO at 1000 Hz, 10 dB below full scale, on both channels (pitch and
//                   level checks at the sound card)
//   vocoder_N.qvn   N Vocoders on the Input, summed by Mixers into the Output
//   filterbank.qvn  100 Filters on the Input, summed by Mixers into the Output
//   oscbank.qvn     100 VCOs, summed by Mixers into the Output
//   oscbank_3000.qvn 3000 VCOs, summed alike (scaling with the patch's size)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/filter.h"
#include "devices/io.h"
#include "devices/mixer.h"
#include "devices/vco.h"
#include "platform/atomic_file.h"

namespace {
constexpr int kBankSize = 100;
constexpr int kLargeBankSize = 3000;

// Sums the outputs through a tree of four-input Mixers and returns the root's output.
NTPlugOut* SumTree(TMainClient& client, std::vector<NTPlugOut*> outs) {
  while (outs.size() > 1) {
    std::vector<NTPlugOut*> next;
    for (size_t i = 0; i < outs.size(); i += NTMixer::kChannels) {
      auto* mixer = static_cast<NTMixer*>(client.CreateDevice(DeviceType::Mixer));
      for (size_t k = 0; k < NTMixer::kChannels && i + k < outs.size(); ++k)
        mixer->In[k].Source = outs[i + k];
      next.push_back(&mixer->Out);
    }
    outs = std::move(next);
  }
  return outs.empty() ? nullptr : outs.front();
}

// Band-passes a third of an octave apart from 110 Hz up, like the peer's filter bank.
void Spread(NTFilter& filter, int i) {
  constexpr int kLowest = 18000, kThirdOctave = 2000;
  filter.FilterKind = NTFilter::BandPassKind;
  filter.Freq.SetValue(kLowest + kThirdOctave * (i % 21));
}

// count devices of a type, each with its first input on the Input's left output (when it has
// one), summed into the Output's left input.
void Bank(TMainClient& client, DeviceType type, int count) {
  auto* input = static_cast<NTInput*>(client.CreateDevice(DeviceType::Input));
  auto* output = static_cast<NTOutput*>(client.CreateDevice(DeviceType::Output));
  std::vector<NTPlugOut*> outs;
  for (int i = 0; i < count; ++i) {
    NTDevWin* d = client.CreateDevice(type);
    NTPlugOut* out = nullptr;
    bool fed = type == DeviceType::VCO;  // the VCO's inputs are modulation: leave them open
    for (NTWin* c = d->FirstChild; c; c = c->Next) {
      if (auto* in = dynamic_cast<NTPlugIn*>(c); in && !fed) {
        in->Source = &input->L;
        fed = true;
      }
      if (auto* o = dynamic_cast<NTPlugOut*>(c); o && !out) out = o;
    }
    if (auto* filter = dynamic_cast<NTFilter*>(d)) Spread(*filter, i);
    outs.push_back(out);
  }
  output->L.Source = SumTree(client, outs);
}

void PassThrough(TMainClient& client) {
  auto* input = static_cast<NTInput*>(client.CreateDevice(DeviceType::Input));
  auto* output = static_cast<NTOutput*>(client.CreateDevice(DeviceType::Output));
  output->L.Source = &input->L;
  output->R.Source = &input->R;
}

void Tone(TMainClient& client) {
  // 13.75 Hz · 2^(37107 / 6000) = 1000.05 Hz, the pitch step nearest to 1000 Hz.
  constexpr int32_t kPitch = 37107, kLevel = 800;
  auto* vco = static_cast<NTVCO*>(client.CreateDevice(DeviceType::VCO));
  auto* output = static_cast<NTOutput*>(client.CreateDevice(DeviceType::Output));
  for (NTValueControl* c : {&vco->Freq, &vco->Level}) {
    c->SetValue(c == &vco->Freq ? kPitch : kLevel);
    c->Disp.SetValue(c->Value);
  }
  output->L.Source = &vco->Out;
  output->R.Source = &vco->Out;
}

bool Write(TMainClient& client, const std::string& path) {
  if (WriteFileAtomically(path, client.SaveBytes())) return true;
  std::fprintf(stderr, "quarvin-bench-patches: %s kann nicht geschrieben werden\n", path.c_str());
  return false;
}

// Builds one patch on a fresh canvas and writes it.
template <class Build>
bool Make(const std::string& path, Build build) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  build(client);
  return Write(client, path);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atoi(argv[2]) < 1) {
    std::fputs("Aufruf: quarvin-bench-patches ORDNER VOCODER-ANZAHL\n", stderr);
    return 1;
  }
  const std::string dir = argv[1];
  const int vocoders = std::atoi(argv[2]);
  const bool ok =
      Make(dir + "/empty.qvn", [](TMainClient&) {}) &&
      Make(dir + "/passthrough.qvn", PassThrough) && Make(dir + "/tone.qvn", Tone) &&
      Make(dir + "/vocoder_" + std::to_string(vocoders) + ".qvn",
           [&](TMainClient& c) { Bank(c, DeviceType::Vocoder, vocoders); }) &&
      Make(dir + "/filterbank.qvn",
           [](TMainClient& c) { Bank(c, DeviceType::Filter, kBankSize); }) &&
      Make(dir + "/oscbank.qvn", [](TMainClient& c) { Bank(c, DeviceType::VCO, kBankSize); }) &&
      Make(dir + "/oscbank_3000.qvn",
           [](TMainClient& c) { Bank(c, DeviceType::VCO, kLargeBankSize); });
  return ok ? 0 : 1;
}
