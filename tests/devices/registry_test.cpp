// What every device type shares, checked for each entry of the device registry: a new device type
// is covered by adding its registry line.
#include "devices/registry.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "device_support.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"

namespace {
std::string NameOf(DeviceType type) {
  for (const TDeviceEntry& e : DeviceRegistry())
    if (e.type == type) return e.name;
  return "unknown";
}

class EveryDevice : public ::testing::TestWithParam<DeviceType> {
 protected:
  NTDevWin& Make() {
    devices_.emplace_back(MakeDevice(GetParam(), &canvas_, canvas_.Root()));
    return *devices_.back();
  }
  void Paint() {
    Dc dc(canvas_.pixels);
    PaintWalk(canvas_.Root(), dc);
  }

  TestCanvas canvas_;
  std::vector<std::unique_ptr<NTDevWin>> devices_;
};

std::vector<DeviceType> RegisteredTypes() {
  std::vector<DeviceType> types;
  for (const TDeviceEntry& e : DeviceRegistry()) types.push_back(e.type);
  return types;
}

TEST_P(EveryDevice, IsCreatedWithTheTypeItIsRegisteredFor) {
  NTDevWin& d = Make();
  EXPECT_EQ(d.Type, GetParam());
  EXPECT_EQ(d.Parent, canvas_.Root());
}

// A damaged file may put any value into a control. The device clamps where it uses the value:
// it runs, shows and paints without fault; and what it loads it saves again unchanged.
TEST_P(EveryDevice, DamagedControlValuesRunAndSaveLoadSaveByteIdentical) {
  for (const int32_t damaged :
       {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
    NTDevWin& d = Make();
    d.MoveTo({40, 30});
    for (NTReg* reg : Children<NTReg>(d)) reg->Value = damaged;
    for (NTKeyset* keys : Children<NTKeyset>(d)) keys->Selected = damaged;

    NTDevWin& loaded = Make();
    Load(loaded, Record(d));
    const std::vector<uint8_t> saved = Record(loaded);
    NTDevWin& again = Make();
    Load(again, saved);
    EXPECT_EQ(Record(again), saved) << damaged;

    for (NTReg* reg : Children<NTReg>(loaded)) reg->NotifyChange();
    for (NTKeyset* keys : Children<NTKeyset>(loaded)) loaded.CtrlNotify(keys->Code);
    for (int i = 0; i < 3000; ++i) RunFrame(loaded);
    loaded.Tick();
    Paint();
  }
}

INSTANTIATE_TEST_SUITE_P(Registry, EveryDevice, ::testing::ValuesIn(RegisteredTypes()),
                         [](const auto& info) { return NameOf(info.param); });

// Devices that only process their inputs: with nothing connected, every input latches 0 and
// every output stays silent.
using EveryProcessor = EveryDevice;

TEST_P(EveryProcessor, UnconnectedInputsLatchZeroAndOutputsStaySilent) {
  NTDevWin& d = Make();
  for (int i = 0; i < 5000; ++i) {
    RunFrame(d);
    for (const NTPlugIn* in : Children<NTPlugIn>(d)) ASSERT_EQ(in->Value, 0) << i;
    for (const NTPlugOut* out : Children<NTPlugOut>(d)) ASSERT_EQ(out->Value, 0) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Registry, EveryProcessor,
                         ::testing::Values(DeviceType::Hall, DeviceType::Flanger,
                                           DeviceType::Filter, DeviceType::Vocoder,
                                           DeviceType::Mixer, DeviceType::Multiplier),
                         [](const auto& info) { return NameOf(info.param); });
}  // namespace
