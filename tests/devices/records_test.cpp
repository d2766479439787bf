// Patch-file records of the source and utility devices: word and window counts, round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "device_support.h"
#include "devices/lfo.h"
#include "devices/mixer.h"
#include "devices/mult.h"
#include "devices/registry.h"
#include "devices/vco.h"
#include "devices/vumeter.h"

namespace {
std::vector<uint8_t> Save(NTWin& root) {
  opstream os;
  WriteWalk(&root, os);
  return os.Bytes();
}

// A canvas holding new devices of the given types, in order.
struct Patch {
  explicit Patch(std::initializer_list<DeviceType> types) {
    for (DeviceType type : types) devices.emplace_back(MakeDevice(type, &canvas, canvas.Root()));
  }
  template <class T>
  T& Get(size_t i) {
    return dynamic_cast<T&>(*devices.at(i));
  }
  void Load(const std::vector<uint8_t>& bytes) {
    ipstream is(bytes);
    ReadWalk(canvas.Root(), is);
  }
  TestCanvas canvas;
  std::vector<std::unique_ptr<NTDevWin>> devices;
};

TEST(RecordsTest, WordsAndWindowsPerDeviceMatchTheFileFormat) {
  struct Row {
    DeviceType type;
    size_t words;
    int windows;
  };
  for (const Row& row :
       {Row{DeviceType::VCO, 23, 21}, Row{DeviceType::LFO, 25, 25}, Row{DeviceType::Mixer, 38, 42},
        Row{DeviceType::Multiplier, 9, 9}, Row{DeviceType::VUMeter, 6, 5}}) {
    Patch p({row.type});
    NTDevWin& d = p.Get<NTDevWin>(0);
    EXPECT_EQ(d.Type, row.type);
    EXPECT_EQ(RecordWords(d), row.words) << int(row.type);
    EXPECT_EQ(WindowCount(d), row.windows) << int(row.type);
  }
}

TEST(RecordsTest, VcoRecordEndsWithPhaseIncrementAndWaveform) {
  Patch p({DeviceType::VCO});
  auto& vco = p.Get<NTVCO>(0);
  vco.MoveTo({7, 9});
  RunFrames(vco, vco.Out, 3);
  const std::vector<uint8_t> bytes = Save(*p.canvas.Root());
  ipstream is(bytes);
  std::vector<int32_t> words;
  while (!is.AtEnd()) words.push_back(is.ReadWord());
  ASSERT_EQ(words.size(), 23u);
  EXPECT_EQ(std::vector<int32_t>(words.end() - 7, words.end()),
            (std::vector<int32_t>{7, 9, 121, 224, 3 * 10461, 10461, 0}));
}

TEST(RecordsTest, SourceDevicesRoundTripWithControlsAwayFromDefaults) {
  Patch a({DeviceType::VCO, DeviceType::LFO, DeviceType::Mixer, DeviceType::Multiplier,
           DeviceType::VUMeter});
  auto& vco = a.Get<NTVCO>(0);
  auto& lfo = a.Get<NTLFO>(1);
  auto& mixer = a.Get<NTMixer>(2);
  auto& mult = a.Get<NTMult>(3);
  auto& vu = a.Get<NTVUMeter>(4);
  vco.MoveTo({10, 20});
  vco.Freq.SetValue(36000);
  vco.Level.SetValue(700);
  vco.Wave.Selected = 2;
  vco.CtrlNotify(NTVCO::kWaveCode);
  vco.Freq.NotifyChange();
  vco.Level.NotifyChange();
  lfo.MoveTo({140, 20});
  lfo.Rate.SetValue(42000);
  lfo.Level.SetValue(1000);
  lfo.Offset.SetValue(250);
  lfo.Rate.NotifyChange();
  lfo.Level.NotifyChange();
  lfo.Offset.NotifyChange();
  lfo.Wave.Selected = 4;
  lfo.CtrlNotify(NTLFO::kWaveCode);
  mixer.Level[1].SetValue(500);
  mixer.Master.SetValue(1000);
  mixer.Level[1].NotifyChange();
  mixer.Master.NotifyChange();
  // Wires, also to outputs of devices later in the list.
  vco.Fm.Source = &lfo.Out;
  vco.Am.Source = &lfo.OutMirror;
  mixer.In[0].Source = &vco.Out;
  mixer.In[3].Source = &mult.Out;
  mult.In1.Source = &vco.Out;
  mult.In2.Source = &lfo.Out;
  vu.In.Source = &mixer.Out;
  for (int i = 0; i < 100; ++i) {
    for (auto& d : a.devices) d->Latch();
    for (auto& d : a.devices) d->Compute();
  }
  const std::vector<uint8_t> saved = Save(*a.canvas.Root());
  EXPECT_EQ(saved.size(), 4u * (23 + 25 + 38 + 9 + 6));

  Patch b({DeviceType::VCO, DeviceType::LFO, DeviceType::Mixer, DeviceType::Multiplier,
           DeviceType::VUMeter});
  b.Load(saved);
  // Every word comes back but the VCO's increment (word 21), which FM had moved: loading takes
  // it from the frequency control.
  std::vector<uint8_t> expected = saved;
  const int32_t increment = Tables().Log[36000];
  std::memcpy(&expected[4 * 21], &increment, 4);
  EXPECT_EQ(Save(*b.canvas.Root()), expected);
  auto& vco2 = b.Get<NTVCO>(0);
  auto& lfo2 = b.Get<NTLFO>(1);
  EXPECT_EQ(vco2.X, 10);
  EXPECT_EQ(vco2.Freq.Value, 36000);
  EXPECT_EQ(vco2.Freq.Slider.Pos, vco.Freq.Slider.Pos);
  EXPECT_EQ(vco2.Freq.Disp.Value, 36000);
  EXPECT_EQ(vco2.Osc.Phase, vco.Osc.Phase);
  EXPECT_EQ(vco2.Osc.Table, Tables().SawUp.Data());
  EXPECT_EQ(lfo2.Osc.Table, Tables().Rec.Data());
  EXPECT_EQ(lfo2.Osc.Increment, Tables().Log[42000]);
  EXPECT_EQ(vco2.Fm.Source, &lfo2.Out);
  EXPECT_EQ(vco2.Am.Source, &lfo2.OutMirror);
  EXPECT_EQ(b.Get<NTMixer>(2).In[3].Source, &b.Get<NTMult>(3).Out);
  EXPECT_EQ(b.Get<NTVUMeter>(4).In.Source, &b.Get<NTMixer>(2).Out);

  // Both patches run on identically from here.
  for (int i = 0; i < 50; ++i)
    for (Patch* p : {&a, &b}) {
      for (auto& d : p->devices) d->Latch();
      for (auto& d : p->devices) d->Compute();
    }
  EXPECT_EQ(Save(*b.canvas.Root()), Save(*a.canvas.Root()));
}

TEST(RecordsTest, OscillatorsTakeTheIncrementFromTheirControlNotFromTheFile) {
  Patch a({DeviceType::VCO, DeviceType::LFO});
  a.Get<NTVCO>(0).Osc.Increment = 12345;
  a.Get<NTLFO>(1).Osc.Increment = 12345;
  Patch b({DeviceType::VCO, DeviceType::LFO});
  b.Load(Save(*a.canvas.Root()));
  EXPECT_EQ(b.Get<NTVCO>(0).Osc.Increment, 10461);
  EXPECT_EQ(b.Get<NTLFO>(1).Osc.Increment, 10461);
}

TEST(RecordsTest, AnOddSavedWaveformKeepsTheSineAndIsSavedAgain) {
  Patch a({DeviceType::VCO, DeviceType::LFO});
  a.Get<NTVCO>(0).Osc.Select(9);
  a.Get<NTLFO>(1).Osc.Select(-2);
  const std::vector<uint8_t> saved = Save(*a.canvas.Root());
  Patch b({DeviceType::VCO, DeviceType::LFO});
  b.Get<NTVCO>(0).Osc.Select(1);  // a table other than the new device's, to see it kept
  b.Load(saved);
  EXPECT_EQ(b.Get<NTVCO>(0).Osc.Table, Tables().Tri.Data());
  EXPECT_EQ(b.Get<NTLFO>(1).Osc.Table, Tables().Sin.Data());
  EXPECT_EQ(Save(*b.canvas.Root()), saved);
}

}  // namespace
