// The compiled schedule against the frame-by-frame cycle, and how it is compiled.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "devices/filter.h"
#include "devices/io.h"
#include "platform/denormals.h"
#include "schedule_differential.h"

namespace {
using namespace quarvin_fuzz;

// Random patches on one thread; on several, the thread count drawn per patch.
void CompareRandomPatches(int patches, bool threaded) {
  FlushDenormals();
  if (const char* env = std::getenv("QUARVIN_SCHEDULE_PATCHES")) patches = std::atoi(env);
  Canvases canvases;
  std::mt19937 draw(38);
  for (int p = 0; p < patches; ++p) {
    PatchMaker patch{TDraws(uint32_t(p))};
    const int threads = threaded ? std::uniform_int_distribution(2, 4)(draw) : 1;
    ASSERT_EQ(CompareSchedule(canvases, patch, p % 16 == 0, threads), "")
        << "patch seed " << p << " on " << threads << " threads";
  }
}

TEST(Schedule, EveryRandomPatchMatchesTheFrameByFrameCycle) {
  CompareRandomPatches(2000, false);
}

// Also run under the thread sanitizer: the hand-over between the threads is all that orders the
// rows one thread writes and another reads.
TEST(Schedule, EveryRandomPatchOnThreadsMatchesTheFrameByFrameCycle) {
  CompareRandomPatches(500, true);
}

// Many Filters on a few sources: groups of one source and of several, spare lanes, sub-blocks of
// every length, and every fifth Filter unstable, doubling each frame until it saturates and then
// overflows. A second rank of Filters reads every first-rank output, so each published frame
// reaches a saved history. Then all of them band-passes, whose b1 is 0: the batch's sum without
// that term, unstable ones saturating too.
TEST(Schedule, AFilterBankMatchesTheFrameByFrameCycle) {
  for (const bool bandPasses : {false, true}) {
    SCOPED_TRACE(bandPasses ? "band-passes" : "every kind");
    FlushDenormals();
    Canvases c;
    TMainClient& m = c.maker.client;
    auto* input = static_cast<NTInput*>(m.CreateDevice(DeviceType::Input));
    NTPlugOut* vco = Children<NTPlugOut>(m.CreateDevice(DeviceType::VCO))[0];
    NTPlugOut* const sources[] = {&input->L, &input->L, &input->R, vco,
                                  nullptr,   &input->L, &input->L};
    PatchMaker patch{TDraws(7)};
    const auto filter = [&](NTPlugOut* source, int i) {
      auto* f = static_cast<NTFilter*>(m.CreateDevice(DeviceType::Filter));
      f->In.Source = source;
      const bool wild = i % 5 == 4;
      f->FilterKind = bandPasses ? NTFilter::BandPassKind
                      : wild     ? NTFilter::BandPassKind + i % 2
                                 : i % 4;
      for (NTReg* r : {&f->Freq, &f->Q}) r->SetValue(patch.Uniform(r->Min, r->Max));
      if (wild) f->Freq.SetValue(f->Freq.Max), f->Q.SetValue(f->Q.Min);
      return &f->Out;
    };
    std::vector<NTPlugOut*> first;
    for (int i = 0; i < 23; ++i) first.push_back(filter(sources[i % std::size(sources)], i));
    for (int i = 0; i < 23; ++i) filter(first[size_t(i)], i + 1);
    const auto bytes = m.SaveBytes();
    ASSERT_TRUE(c.scheduled.Load(bytes) && c.reference.Load(bytes));
    TMainClient& a = c.scheduled.client;
    TMainClient& b = c.reference.client;
    for (int round = 0; round < 4; ++round) {
      patch.Fill(a.InBlock(0));
      const int16_t* in = a.InBlock(0).Data();
      ASSERT_TRUE(RunInPieces(a, patch, in, a.OutBlock(0).Data(), 1000));
      ProcessFrames(b.Devices(), b.Io(), in, b.OutBlock(0).Data(), 1000);
      ASSERT_EQ(a.SaveBytes(), b.SaveBytes()) << "round " << round;
    }
  }
}

TEST(Schedule, LoopsRunInLoopStepsAndTheRestInBatches) {
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
  EXPECT_EQ(s->LoopSteps(), 1u);   // the Hall on itself
  EXPECT_TRUE(s->Current());
  EXPECT_TRUE(s->Current());  // no source changed since it compared them all
  // A loop through the filter and the mixer joins the Hall's level.
  Children<NTPlugIn>(filter)[0]->Source = Children<NTPlugOut>(mixer)[0];
  EXPECT_FALSE(s->Current());
  Children<NTPlugIn>(filter)[0]->Source = Children<NTPlugOut>(vco)[0];
  EXPECT_TRUE(s->Current());  // changed back: the wiring is the compiled one again
  Children<NTPlugIn>(filter)[0]->Source = Children<NTPlugOut>(mixer)[0];
  s = TSchedule::Compile(client.Devices(), DeviceKernel, 0);
  EXPECT_EQ(s->BatchSteps(), 1u);  // the VCO
  EXPECT_EQ(s->LoopSteps(), 1u);   // the loop beside the Hall: neither feeds the other
}
}  // namespace
