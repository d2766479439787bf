// The compiled schedule against the frame-by-frame cycle, and how it is compiled.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/denormals.h"
#include "schedule_differential.h"

namespace {
using namespace quarvin_fuzz;

TEST(Schedule, EveryRandomPatchMatchesTheFrameByFrameCycle) {
  FlushDenormals();
  const char* env = std::getenv("QUARVIN_SCHEDULE_PATCHES");
  const int patches = env ? std::atoi(env) : 2000;
  Canvases canvases;
  for (int p = 0; p < patches; ++p) {
    PatchMaker patch{TDraws(uint32_t(p))};
    ASSERT_EQ(CompareSchedule(canvases, patch, p % 16 == 0), "") << "patch seed " << p;
  }
}

TEST(Schedule, LoopsRunFrameByFrameAndTheRestInBatches) {
  HeadlessShell shell;
  TMainClient client(shell, nullptr);
  auto d = [&](DeviceType type) { return client.CreateDevice(type); };
  NTDevWin *vco = d(DeviceType::VCO), *filter = d(DeviceType::Filter),
           *mixer = d(DeviceType::Mixer), *hall = d(DeviceType::Hall);
  Children<NTPlugIn>(filter)[0]->Source = Children<NTPlugOut>(vco)[0];
  Children<NTPlugIn>(mixer)[0]->Source = Children<NTPlugOut>(filter)[0];
  Children<NTPlugIn>(hall)[0]->Source = Children<NTPlugOut>(hall)[0];
  auto s = TSchedule::Compile(client.Devices(), DeviceKernel, 0);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->BatchSteps(), 3u);  // one level each
  EXPECT_EQ(s->FrameSteps(), 1u);  // the Hall on itself
  // A filter feeding itself joins the frame-by-frame group.
  Children<NTPlugIn>(filter)[0]->Source = Children<NTPlugOut>(mixer)[0];
  EXPECT_FALSE(s->Current());
  s = TSchedule::Compile(client.Devices(), DeviceKernel, 0);
  EXPECT_EQ(s->BatchSteps(), 1u);  // the VCO
  EXPECT_EQ(s->FrameSteps(), 1u);  // the loop beside the Hall: neither feeds the other
}
}  // namespace
