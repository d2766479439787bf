#include "devices/osci.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <thread>

#include "devices/io.h"
#include "devices/registry.h"
#include "support/test_canvas.h"

namespace {

constexpr Color Green = Rgb(0, 255, 0);     // channel 1
constexpr Color Purple = Rgb(255, 0, 255);  // channel 2
constexpr Point Origin{20, 152};            // trace origin with the panel at (0, 0)
// Rows scanned for traces: the trigger-position marker reaches down to row 31.
constexpr int Top = Origin.y - 120, Bottom = Origin.y + 121;

// Full scale: 75 pixels at 0 dB.
constexpr int32_t FullScale = 65535;

// A full-scale sine of 120 frames per period, rising through 0 at frame 0, exactly periodic.
int32_t Sine(int frame) {
  return int32_t(std::lround(FullScale * std::sin(2 * std::numbers::pi * (frame % 120) / 120.0)));
}

class OsciTest : public ::testing::Test {
 protected:
  OsciTest() {
    scope.In[0].Source = &source.L;
    scope.In[1].Source = &source.R;
  }

  // Arms a recording, runs frames (ch1 and ch2 fed by the signals, frame numbers counted on from
  // earlier recordings) until it completes and publishes it. Returns the frames it took, or -1
  // when it did not complete within limit frames.
  int64_t Record(const std::function<int32_t(int)>& ch1,
                 const std::function<int32_t(int)>& ch2 = {}, int64_t limit = 100000) {
    scope.Tick();
    for (int64_t n = 0; n < limit; ++n, ++frame) {
      source.L.Value = ch1(frame);
      if (ch2) source.R.Value = ch2(frame);
      scope.Latch();
      if (scope.CaptureState() == osci::Complete) {
        scope.Tick();
        return n + 1;
      }
    }
    return -1;
  }

  // Sets a value slider as a user would and tells the device.
  void Turn(NTReg& reg, int32_t value) {
    reg.SetValue(value);
    reg.NotifyChange();
  }
  void Select(NTKeyset& keys, int32_t key) {
    keys.Selected = key;
    scope.CtrlNotify(keys.Code);
  }

  Color Pixel(int x, int y) const { return canvas.pixels.Pixel(x, y); }
  // The highest and lowest rows of column x with colour c inside the trace area.
  std::pair<int, int> Rows(int x, Color c = Green) const {
    std::pair<int, int> rows{-1, -1};
    for (int y = Bottom; y >= Top; --y)
      if (Pixel(x, y) == c) rows = {y, rows.second < 0 ? y : rows.second};
    return rows;
  }
  int CountInTraceArea(Color c) const {
    int n = 0;
    for (int y = Top; y <= Bottom; ++y)
      for (int x = Origin.x; x < Origin.x + osci::kColumns; ++x) n += Pixel(x, y) == c;
    return n;
  }
  // Columns where both rows show colour c: the vertical steps between two levels.
  int StepsBetween(int row1, int row2, Color c) const {
    int n = 0;
    for (int x = Origin.x; x < Origin.x + osci::kColumns; ++x)
      n += Pixel(x, row1) == c && Pixel(x, row2) == c;
    return n;
  }
  void PaintAll() {
    Dc dc(canvas.pixels);
    PaintWalk(canvas.Root(), dc);
  }

  TestCanvas canvas;
  NTInput source{&canvas, canvas.Root()};
  NTOsci scope{&canvas, canvas.Root()};
  int frame = 0;
};

// Alternates between -p and +p pixels frame by frame (at 0 dB): fires a plus trigger at level 0.
std::function<int32_t(int)> Alternating(int32_t pixels) {
  const int32_t v = int32_t(std::lround(pixels * 65536.0 / 75.0));
  return [v](int n) { return n % 2 ? v : -v; };
}

// ---------------------------------------------------------------------------------------------
// Building, the patch record and the factory

TEST_F(OsciTest, PatchRecordHoldsSeventySevenWordsInNinetyWindows) {
  opstream os;
  WriteWalk(&scope, os);
  EXPECT_EQ(os.Bytes().size(), 77u * 4);

  std::function<int(const NTWin*)> count = [&](const NTWin* w) {
    int n = 1;
    for (const NTWin* c = w->FirstChild; c; c = c->Next) n += count(c);
    return n;
  };
  EXPECT_EQ(count(&scope), 90);
  // The first records: the on keys' states, then the ground keys'.
  ipstream is(os.Bytes());
  for (int32_t expected : {1, 0, 0, 0, 0, 0, 0, 0}) EXPECT_EQ(is.ReadWord(), expected);
  EXPECT_EQ(scope.W, 550);
  EXPECT_EQ(scope.H, 300);
}

TEST(OsciFactory, TypeElevenIsTheOscilloscopeAndHoldsItsBitmaps) {
  TestCanvas canvas;
  std::unique_ptr<NTDevWin> scope(MakeDevice(DeviceType::Oscilloscope, &canvas, canvas.Root()));
  ASSERT_TRUE(dynamic_cast<NTOsci*>(scope.get()));
  EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kScopeScreen), 1);
  EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kScopeGraticule), 1);
  scope.reset();
  EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kScopeScreen), 0);
  EXPECT_EQ(canvas.bitmaps.UseCount(bmp::kScopeGraticule), 0);
}

TEST_F(OsciTest, NewScopeShowsAnEmptyGraticuleWithChannelOneOn) {
  PaintAll();
  EXPECT_EQ(scope.On[0].State, 1);
  for (int ch = 1; ch < 4; ++ch) EXPECT_EQ(scope.On[ch].State, 0);
  EXPECT_EQ(CountInTraceArea(Green), 0);
  // Channel 1's zero line in three-quarter green, from x = 20 up to but not including 321.
  EXPECT_EQ(Pixel(20, 152), Rgb(0, 191, 0));
  EXPECT_EQ(Pixel(320, 152), Rgb(0, 191, 0));
  // Nothing is recorded or shown without a tick.
  EXPECT_EQ(scope.CaptureState(), osci::Idle);
}

// ---------------------------------------------------------------------------------------------
// Scaling

TEST(OsciScale, RoundsHalfAwayFromZeroAndSaturates) {
  EXPECT_FLOAT_EQ(NTOsci::GainOf(200), 750.0f / 65536.0f);
  EXPECT_GT(NTOsci::GainOf(5), NTOsci::GainOf(0));  // a real quotient A / 200
  EXPECT_EQ(NTOsci::Scale(3, 0.5f), 2);
  EXPECT_EQ(NTOsci::Scale(-3, 0.5f), -2);
  EXPECT_EQ(NTOsci::Scale(1, 0.4f), 0);
  constexpr int32_t Max = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(NTOsci::Scale(Max, NTOsci::GainOf(960)), Max);
  EXPECT_EQ(NTOsci::Scale(-Max - 1, NTOsci::GainOf(960)), -Max - 1);
  EXPECT_EQ(NTOsci::Scale(0, std::numeric_limits<float>::infinity()), 0);
}

TEST_F(OsciTest, LatchPublishesScreenPixelsAndZeroForGroundedOrOpenInputs) {
  source.L.Value = FullScale;
  source.R.Value = -FullScale;
  scope.In[2].Source = &source.L;
  scope.Ground[2].State = 1;
  scope.Latch();
  EXPECT_EQ(scope.In[0].Value, 75);
  EXPECT_EQ(scope.In[1].Value, -75);
  EXPECT_EQ(scope.In[2].Value, 0);
  EXPECT_EQ(scope.In[3].Value, 0);
}

// ---------------------------------------------------------------------------------------------
// Recording and drawing

TEST_F(OsciTest, FullScaleDrawsAFlatLine75PixelsAboveTheCentreOrClampedAt121) {
  for (auto [gain, row] : {std::pair{0, 152 - 75}, std::pair{960, 152 - 121}}) {
    Turn(scope.Gain[0], gain);
    EXPECT_EQ(scope.Gain[0].Disp.Value, gain);
    // Two frames below the level, then full scale: the rising edge triggers.
    frame = 0;
    ASSERT_GT(Record([](int n) { return n < 2 ? -FullScale : FullScale; }), 0);
    for (int x : {20, 170, 319}) EXPECT_EQ(Pixel(x, row), Green) << x;
    EXPECT_NE(Pixel(170, row - 1), Green);
    EXPECT_NE(Pixel(170, row + 1), Green);
    if (gain == 0) {
      EXPECT_EQ(CountInTraceArea(Green), 300);  // and nothing else
    }
  }
}

TEST_F(OsciTest, SineStartsAtItsRisingZeroCrossingWhateverThePhaseOfArming) {
  ASSERT_GT(Record(Sine), 0);
  // The left edge steps from the first frame after the crossing (4 pixels up) to the next.
  EXPECT_EQ(Rows(20), std::make_pair(144, 148));
  EXPECT_EQ(Rows(20 + 89).second, 152 + 75);  // the trough, three quarters of a period on
  const Surface first = canvas.pixels;
  frame += 37;
  ASSERT_GT(Record(Sine), 0);
  EXPECT_EQ(canvas.pixels.Pixels(), first.Pixels());
}

TEST_F(OsciTest, TriggerPositionSlopeAndLevelPlaceTheSine) {
  struct Case {
    int32_t position, slope, level;
    int x;
    std::pair<int, int> rows;  // of column x: from the first frame after the trigger to the next
  };
  for (const Case& c : {Case{150, 0, 0, 20 + 150, {144, 148}},  // 150 columns before the trigger
                        Case{-30, 0, 0, 20, {77, 77}},          // 30 frames after it: the crest
                        Case{0, 1, 30, 20, {129, 133}}}) {      // falling through +30 pixels
    Turn(scope.TriggerPos, c.position);
    Select(scope.Slope, c.slope);
    Turn(scope.Level, c.level);
    frame += 37;
    ASSERT_GT(Record(Sine), 0);
    EXPECT_EQ(Rows(c.x), c.rows) << c.position;
  }
}

TEST_F(OsciTest, GroundedChannelRecordsItsPositionLine) {
  source.L.Value = FullScale;
  scope.Ground[0].State = 1;
  Turn(scope.Pos[0], 30);
  Select(scope.TriggerSource, 1);
  ASSERT_GT(Record([](int) { return FullScale; }, Alternating(30)), 0);
  EXPECT_EQ(Pixel(170, 152 - 30), Green);
  EXPECT_NE(Pixel(170, 77), Green);
}

TEST_F(OsciTest, MinMaxStrokesShowEverythingWithinASlowColumn) {
  Turn(scope.TimeBase, -1);  // 30000 per frame: a column every one or two frames
  scope.On[1].State = 1;
  Select(scope.TriggerSource, 1);
  ASSERT_GT(Record(Alternating(40), Alternating(20)), 0);
  // Channel 1 spans +-40 pixels in most columns.
  EXPECT_GT(StepsBetween(152 - 40, 152 + 40, Green), 100);
  EXPECT_GT(StepsBetween(152 - 20, 152 + 20, Purple), 100);
}

TEST_F(OsciTest, FastTimeBasesStretchEachColumn) {
  ASSERT_GT(Record(Alternating(30)), 0);
  EXPECT_EQ(StepsBetween(122, 182, Green), 300);  // one column per pixel

  Turn(scope.TimeBase, 3);                       // 100 us: 10000 / 1470 = 6.8 pixels per column
  EXPECT_EQ(StepsBetween(122, 182, Green), 44);  // the redraw stretches the same recording
  ASSERT_GT(Record(Alternating(30)), 0);
  EXPECT_EQ(StepsBetween(122, 182, Green), 44);
  // The first column is 7 pixels wide.
  for (int x = 21; x < 26; ++x) EXPECT_FALSE(Pixel(x, 122) == Green && Pixel(x, 182) == Green);
  EXPECT_TRUE(Pixel(26, 122) == Green && Pixel(26, 182) == Green);
}

TEST_F(OsciTest, MarkersFollowLevelAndTriggerPosition) {
  const Surface& art = canvas.bitmaps.Get(bmp::kScopeGraticule);
  // Is the 8 x 9 (or 9 x 8) block at (x, y) channel ch's marker?
  const auto shows = [&](int x, int y, int markerX, int w, int h) {
    for (int dy = 0; dy < h; ++dy)
      for (int dx = 0; dx < w; ++dx)
        if (Pixel(x + dx, y + dy) != art.Pixel(markerX + dx, 261 + dy)) return false;
    return true;
  };
  PaintAll();
  EXPECT_TRUE(shows(321, 148, 0, 8, 9));  // level 0: left arrow at the centre
  EXPECT_TRUE(shows(16, 24, 17, 9, 8));   // trigger position 0: down arrow at the left edge

  Select(scope.TriggerSource, 2);
  Turn(scope.Pos[2], 100);
  Turn(scope.Level, 21);  // 121 > 120: channel 3's up arrow
  EXPECT_TRUE(shows(321, 26, 2 * 26 + 8, 9, 8));
  Turn(scope.Level, -20);  // 80
  EXPECT_TRUE(shows(321, 148 - 80, 2 * 26, 8, 9));
  Turn(scope.Pos[2], -240);  // -260: down arrow
  EXPECT_TRUE(shows(321, 271, 2 * 26 + 17, 9, 8));

  Turn(scope.TriggerPos, 90);
  EXPECT_TRUE(shows(16 + 90, 24, 17, 9, 8));
  Turn(scope.TriggerPos, -3);
  EXPECT_TRUE(shows(14, 23, 0, 8, 9));
}

// ---------------------------------------------------------------------------------------------
// Time base

TEST(OsciColumnStep, FollowsTheOneTwoFiveSequence) {
  const int32_t expected[] = {30000, 15000, 6000, 3000, 1500, 600, 300, 150, 60, 30, 15, 6, 3};
  for (int t = -1; t >= -13; --t) EXPECT_EQ(osci::ColumnStep(t), expected[-t - 1]) << t;
  for (int t = 0; t <= 6; ++t) EXPECT_EQ(osci::ColumnStep(t), 44100) << t;
  // Values from a damaged file: the nearest time base, at once.
  EXPECT_EQ(osci::ColumnStep(std::numeric_limits<int32_t>::min()), 3);
  EXPECT_EQ(osci::ColumnStep(-14), 3);
  EXPECT_EQ(osci::ColumnStep(std::numeric_limits<int32_t>::max()), 44100);
}

struct CaptureControls {
  Relaxed<int32_t> timeBase{0}, position{0}, level{0}, slope{0};
  osci::TTriggerControls Get() const { return {timeBase, position, level, slope}; }
};

// Runs a capture whose trigger fires at the first test; counts frames per state.
std::array<int64_t, 11> FramesPerState(CaptureControls& c, int64_t limit) {
  osci::TOsciCapture capture;
  const osci::TTriggerControls controls = c.Get();
  std::array<int64_t, 11> frames{};
  EXPECT_TRUE(capture.Arm());
  for (int64_t n = 0; n < limit && capture.State() != osci::Complete; ++n) {
    const int32_t state = capture.State();
    ++frames[size_t(state)];
    // Below the level until the trigger is tested, then above it.
    const int32_t trigger = state == osci::WaitTrigger || state == osci::WaitDelayed ? 1 : -1;
    capture.Step({trigger, 0, 0, 0}, trigger, controls);
  }
  return frames;
}

TEST(OsciCapture, TenSecondsPerDivisionTakes301Times14700Frames) {
  CaptureControls c;
  c.timeBase = -13;
  const auto frames = FramesPerState(c, 10'000'000);
  EXPECT_EQ(frames[osci::PostTrigger], 301 * 14700);
  EXPECT_EQ(frames[osci::PreTrigger], 14700);  // one column before the first trigger test
}

TEST(OsciCapture, DelayCountsFramesWithinTheTriggerPositionRange) {
  CaptureControls c;
  c.timeBase = -7;  // 147 frames per column
  c.position = -500;
  auto frames = FramesPerState(c, 10'000'000);
  EXPECT_EQ(frames[osci::WaitDelayed], 1);
  EXPECT_EQ(frames[osci::Delay], 500);
  EXPECT_EQ(frames[osci::AfterDelay], 301 * 147);
  // Positions from a damaged file count as the nearest the control allows.
  c.timeBase = 0;
  c.position = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(FramesPerState(c, 10'000)[osci::Delay], 900);
  c.position = 5000;  // beyond the ring: would never leave the pre-trigger phase
  frames = FramesPerState(c, 10'000);
  EXPECT_EQ(frames[osci::PreTrigger], 300);
  EXPECT_EQ(frames[osci::PostTrigger], 1);
}

TEST_F(OsciTest, DamagedControlValuesAreTakenAtTheNearestSetting) {
  // Values no control allows, as a damaged file may hold them.
  scope.TimeBase.Value = 1000;                               // drawn like 6
  scope.TriggerPos.Value = 1 << 30;                          // 300
  scope.Pos[1].Value = std::numeric_limits<int32_t>::max();  // 240
  scope.Level.Value = std::numeric_limits<int32_t>::min();   // -240
  scope.Gain[0].Value = 1 << 30;                             // 96 dB
  scope.TriggerSource.Selected = 7;                          // channel 4
  scope.Slope.Selected = 5;                                  // minus
  opstream os;
  WriteWalk(&scope, os);
  ipstream is(os.Bytes());
  ReadWalk(&scope, is);
  scope.In[3].Source = &source.R;

  // Channel 1 is constant; only channel 4 can trigger, falling through -240 pixels.
  ASSERT_GT(Record([](int) { return 1; }, Alternating(250)), 0);
  EXPECT_EQ(scope.In[0].Value, 72);  // 1 unit at 96 dB
  EXPECT_EQ(Pixel(170, 152 - 72), Green);
  scope.On[1].State = 1;
  PaintAll();
  EXPECT_EQ(Pixel(170, 31), Purple);  // 250 + 240 pixels, clamped at the top
  EXPECT_NE(Pixel(170, 30), Purple);
}

TEST_F(OsciTest, TimeBaseChangeReturnsToIdleEvenWithoutAudio) {
  scope.Tick();
  EXPECT_EQ(scope.CaptureState(), osci::Armed);
  Turn(scope.TimeBase, -5);  // no audio flows: must not wait for Latch
  EXPECT_EQ(scope.CaptureState(), osci::Idle);
  EXPECT_EQ(scope.TimeBase.Disp.Value, -5);

  scope.Tick();
  for (int n = 0; n < 100; ++n) scope.Latch();
  EXPECT_NE(scope.CaptureState(), osci::Idle);
  Turn(scope.TimeBase, -6);
  for (int n = 0; n < 100000; ++n) scope.Latch();
  EXPECT_EQ(scope.CaptureState(), osci::Idle);  // the cancelled recording does not resume
  scope.Tick();
  EXPECT_EQ(scope.CaptureState(), osci::Armed);
}

TEST_F(OsciTest, NothingIsArmedOrPublishedWhileAPanelMoves) {
  canvas.SetInteraction(InteractionMode::Moving);
  scope.Tick();
  EXPECT_EQ(scope.CaptureState(), osci::Idle);
  canvas.SetInteraction(InteractionMode::Idle);
  scope.Tick();
  for (; scope.CaptureState() != osci::Complete; ++frame) {
    source.L.Value = Alternating(30)(frame);
    scope.Latch();
  }
  canvas.SetInteraction(InteractionMode::Moving);
  scope.Tick();
  EXPECT_EQ(CountInTraceArea(Green), 0);
  canvas.SetInteraction(InteractionMode::Idle);
  scope.Tick();
  EXPECT_GT(CountInTraceArea(Green), 0);
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(OsciTest, LoadedTriggerSourceAndGainsTakeEffect) {
  scope.TriggerSource.Selected = 2;
  scope.Gain[2].SetValue(200);  // 20 dB: 30 pixels for Alternating(3)
  scope.In[2].Source = &source.R;
  opstream os;
  WriteWalk(&scope, os);

  NTOsci loaded(&canvas, canvas.Root());
  ipstream is(os.Bytes());
  ReadWalk(&loaded, is);
  ASSERT_EQ(loaded.In[2].Source, &source.R);
  source.L.Value = 1000;  // channel 1 constant: it would never trigger
  loaded.Tick();
  for (int n = 0; n < 1000 && loaded.CaptureState() != osci::Complete; ++n, ++frame) {
    source.R.Value = Alternating(3)(frame);
    loaded.Latch();
  }
  EXPECT_EQ(loaded.CaptureState(), osci::Complete);
  EXPECT_EQ(std::abs(loaded.In[2].Value.Get()), 30);
}

// ---------------------------------------------------------------------------------------------
// Two threads, as in the program: run under ThreadSanitizer.

TEST(OsciThread, LatchOnTheAudioThreadAndTickOnTheWindowThread) {
  TestCanvas canvas;
  NTInput source(&canvas, canvas.Root());
  NTOsci scope(&canvas, canvas.Root());
  scope.In[0].Source = &source.L;
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    for (int n = 0; !stop.load(std::memory_order_relaxed); ++n) {
      source.L.Value = Sine(n);
      scope.Latch();
    }
  });
  int published = 0;
  // Until a dozen recordings were published; a loaded machine (or a sanitizer) may need longer.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int i = 0; published <= 10 && std::chrono::steady_clock::now() < end; ++i) {
    published += scope.CaptureState() == osci::Complete;
    scope.Tick();
    if (i % 10 == 9) {  // a time-base change now and then cancels a recording
      scope.TimeBase.SetValue(i % 20 == 9 ? -1 : 0);
      scope.RegChanged(scope.TimeBase.Code);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  stop = true;
  audio.join();
  EXPECT_GT(published, 10);
}

}  // namespace
