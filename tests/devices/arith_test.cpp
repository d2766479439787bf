#include "devices/arith.h"

#include <gtest/gtest.h>

#include <limits>

#include "devices/random.h"
#include "devices/registry.h"
#include "support/test_canvas.h"

namespace {
TEST(Arith, TruncationOfAnyDoubleIsDefined) {
  EXPECT_EQ(TruncToInt32(-2.7), -2);
  EXPECT_EQ(TruncToInt32(2.7), 2);
  EXPECT_EQ(TruncToInt32(2147483646.9), 2147483646);
  EXPECT_EQ(TruncToInt32(-2147483648.5), INT32_MIN);
  EXPECT_EQ(TruncToInt32(1e300), INT32_MAX);
  EXPECT_EQ(TruncToInt32(-std::numeric_limits<double>::infinity()), INT32_MIN);
  EXPECT_EQ(TruncToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(Arith, WrapIsTwosComplement) {
  EXPECT_EQ(Wrap32(int64_t{INT32_MAX} + 1), INT32_MIN);
  EXPECT_EQ(Wrap32(-int64_t{1} << 32), 0);
  EXPECT_EQ(Wrap32(-5), -5);
}

TEST(Random, SequenceRestartsOnReset) {
  ResetRandom();
  const int32_t first = NextRandom();
  EXPECT_EQ(first, 5540);  // bits 32..62 of 0x15A4'0000'4E36
  NextRandom();
  ResetRandom();
  EXPECT_EQ(NextRandom(), first);
}

TEST(Factory, MakesTheEffectDevices) {
  TestCanvas canvas;
  for (DeviceType type :
       {DeviceType::Hall, DeviceType::Flanger, DeviceType::Filter, DeviceType::Vocoder}) {
    NTDevWin* d = MakeDevice(type, &canvas, canvas.Root());
    ASSERT_NE(d, nullptr) << int(type);
    EXPECT_EQ(d->Type, type);
    EXPECT_EQ(d->Parent, canvas.Root());
    delete d;
  }
}
}  // namespace
