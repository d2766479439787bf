// Exact control besides the mouse on every device type: typed values, the wheel, the keyboard,
// holding a step arrow and resetting, each reaching the device as a mouse change does.
#include <set>

#include "canvas_fixture.h"
#include "devices/hall.h"
#include "devices/osci.h"
#include "devices/registry.h"
#include "devices/vco.h"
#include "toolkit/control_input.h"
#include "toolkit/control_names.h"
#include "toolkit/value_text.h"

namespace {
// A canvas with one device of every type after the start's Input and Output.
class ExactControlTest : public CanvasTest {
 protected:
  ExactControlTest() {
    client.Resize(3000, 600);
    int x = 10;
    for (const TDeviceEntry& e : DeviceRegistry()) {
      NTDevWin* d = client.CreateDevice(e.type);
      d->MoveTo({x, 250});
      x += d->W + 10;
    }
  }
  std::vector<NTReg*> Regs() {
    std::vector<NTReg*> regs;
    for (NTWin* w : FocusableControls(client.Root()))
      if (auto* r = dynamic_cast<NTReg*>(w)) regs.push_back(r);
    return regs;
  }
  template <class T>
  T& First() {
    for (NTDevWin* d : client.Devices())
      if (auto* t = dynamic_cast<T*>(d)) return *t;
    throw std::logic_error("no such device");
  }
};

TEST_F(ExactControlTest, EveryReachableValueReadsBackFromItsTextInEveryKind) {
  std::set<DisplayKind> kinds;
  for (NTReg* reg : Regs()) {
    const NTDisp* d = reg->Readout;
    ASSERT_NE(d, nullptr) << ControlName(*reg);
    kinds.insert(d->Kind);
    for (int32_t v : ReachableSteps(*reg)) {
      for (const std::string& text : {ValueText(d->Kind, v), NTDisp::Format(d->Kind, v)}) {
        const TTypedValue typed = ParseValueText(d->Kind, text);
        ASSERT_TRUE(typed.Units) << ControlName(*reg) << " " << text;
        EXPECT_EQ(NearestStep(*reg, *typed.Units), v) << ControlName(*reg) << " " << text;
      }
    }
  }
  EXPECT_EQ(kinds.size(), 11u);  // the MIDI device brings channels and semitones
}

TEST(ValueTextTest, GermanNumbersAndUnitsAreRead) {
  const struct {
    DisplayKind kind;
    const char* text;
    double units;
  } cases[] = {
      {DisplayKind::Frequency, "440", 30000},
      {DisplayKind::Frequency, " 440 Hz ", 30000},
      {DisplayKind::Frequency, "0,44 kHz", 30000},
      {DisplayKind::Frequency, "880,0 hz", 36000},
      {DisplayKind::Frequency, "1,76 kHz", 42000},
      {DisplayKind::LowFrequency, "1,71875 Hz", 30000},
      {DisplayKind::LowFrequency, "53,7109375 mHz", 0},
      {DisplayKind::LevelDecibel, "-6 dB", 840},
      {DisplayKind::LevelDecibel,
       "\xE2\x88\x92"
       "6,5 dB",
       835},
      {DisplayKind::LevelDecibel, "+10", 1000},
      {DisplayKind::LevelDecibel, "-oo", 0},
      {DisplayKind::LevelDecibel, "-\xE2\x88\x9E dB", 0},
      {DisplayKind::Thousandths, "0,25", 250},
      {DisplayKind::Thousandths, ",5", 500},
      {DisplayKind::Tenths, "1,5", 15},
      {DisplayKind::Decibel, "+12,5 dB", 125},
      {DisplayKind::Divisions, "-1,00", -30},
      {DisplayKind::TriggerPosition, "0,1", 3},
      {DisplayKind::TimeBase, "0,5 s", -9},
      {DisplayKind::TimeBase, "680 \xC2\xB5s", 0},
      {DisplayKind::TimeBase, "680us", 0},
      {DisplayKind::TimeBase, "10 s", -13},
      {DisplayKind::TimeBase, "0,01 ms", 6},
  };
  for (const auto& c : cases) {
    const TTypedValue typed = ParseValueText(c.kind, c.text);
    ASSERT_TRUE(typed.Units) << c.text;
    EXPECT_NEAR(*typed.Units, c.units, 1e-6) << c.text;
  }
}

TEST(ValueTextTest, GarbageIsRefusedWithAGermanHint) {
  const std::pair<DisplayKind, const char*> cases[] = {
      {DisplayKind::Frequency, ""},         {DisplayKind::Frequency, "abc"},
      {DisplayKind::Frequency, "440 dB"},   {DisplayKind::Frequency, "1,2,3"},
      {DisplayKind::Frequency, "Hz"},       {DisplayKind::Frequency, "inf"},
      {DisplayKind::Frequency, "nan"},      {DisplayKind::Frequency, "1e3"},
      {DisplayKind::Frequency, "- 5"},      {DisplayKind::LevelDecibel, "5 kdB"},
      {DisplayKind::LevelDecibel, "+oo"},   {DisplayKind::TimeBase, "5"},
      {DisplayKind::Thousandths, "0,5 Hz"}, {DisplayKind::Divisions, "1 Teil"},
  };
  for (const auto& [kind, text] : cases) {
    const TTypedValue typed = ParseValueText(kind, text);
    EXPECT_FALSE(typed.Units) << text;
    EXPECT_TRUE(typed.Hint.starts_with("Bitte")) << text;
  }
}

TEST_F(ExactControlTest, TypedValueSetsTheNearestStepLikeAMouseChange) {
  NTVCO& vco = First<NTVCO>();
  const struct {
    const char* text;
    bool set;
    int32_t value;
  } steps[] = {
      {"880", true, 36000},     {"445 Hz", true, 30100},     {"441", true, 30000},
      {"20 kHz", false, 30000}, {"Kammerton", false, 30000}, {"13,75", true, 0},
  };
  for (const auto& s : steps) {
    const TEntryResult r = EnterValue(vco.Freq, s.text);
    EXPECT_EQ(r.Set, s.set) << s.text;
    EXPECT_EQ(vco.Freq.Value, s.value) << s.text;
    EXPECT_EQ(vco.Freq.Disp.Value, s.value) << s.text;
    EXPECT_EQ(vco.Freq.Slider.Pos, s.value * 100 / 60000) << s.text;
  }
  EXPECT_TRUE(client.Modified());
  EXPECT_EQ(EnterValue(vco.Freq, "20 kHz").Hint, "Möglich sind 13,75 Hz bis 14080 Hz");
  EXPECT_EQ(EnterValue(vco.Level, "11 dB").Hint, "Möglich sind -oo dB bis +10,0 dB");
}

// At either end of every control's range the wheel and the keys leave the value there and tell
// the device nothing; one step back from the end is one step (or one coarse step).
TEST_F(ExactControlTest, StepsStopAtTheEndsOfEveryRange) {
  for (NTReg* reg : Regs()) {
    NTDisp& d = *reg->Readout;
    const Point over = d.AbsPos();
    ASSERT_EQ(RegAt(client.Root(), {over.x + 2, over.y + 2}), reg) << ControlName(*reg);
    for (const bool top : {true, false}) {
      const int sign = top ? 1 : -1;
      const int32_t end = top ? reg->Max : reg->Min;
      ASSERT_TRUE(PressKey(*reg, top ? ControlKey::Last : ControlKey::First));
      ASSERT_EQ(reg->Value, end);
      d.SetValue(12345);  // a device told of a change would show it again
      EXPECT_TRUE(Wheel(client.Root(), {over.x + 2, over.y + 2}, sign, false));
      EXPECT_TRUE(Wheel(client.Root(), {over.x + 2, over.y + 2}, sign, true));
      for (ControlKey k : {ControlKey::StepUp, ControlKey::CoarseUp, ControlKey::Last,
                           ControlKey::StepDown, ControlKey::CoarseDown, ControlKey::First}) {
        const bool towardsEnd =
            (k == ControlKey::StepUp || k == ControlKey::CoarseUp || k == ControlKey::Last) == top;
        if (towardsEnd) PressKey(*reg, k);
      }
      EXPECT_EQ(reg->Value, end) << ControlName(*reg);
      EXPECT_EQ(d.Value, 12345) << ControlName(*reg);
      Wheel(client.Root(), {over.x + 2, over.y + 2}, -sign, false);
      EXPECT_EQ(reg->Value, end - sign * reg->Step) << ControlName(*reg);
      EXPECT_EQ(d.Value, reg->Value) << ControlName(*reg);
      PressKey(*reg, top ? ControlKey::Last : ControlKey::First);
      PressKey(*reg, top ? ControlKey::CoarseDown : ControlKey::CoarseUp);
      const int64_t coarse = int64_t(end) - sign * int64_t(CoarseSteps(*reg)) * reg->Step;
      EXPECT_EQ(reg->Value, std::clamp<int64_t>(coarse, reg->Min, reg->Max)) << ControlName(*reg);
    }
  }
}

TEST_F(ExactControlTest, CoarseStepsSuitEachKind) {
  NTVCO& vco = First<NTVCO>();
  NTOsci& osci = First<NTOsci>();
  const std::pair<NTReg*, int32_t> coarse[] = {
      {&vco.Freq, 500}, {&vco.Level, 10}, {&osci.Gain[0], 60}, {&osci.TimeBase, 3}};
  for (const auto& [reg, units] : coarse) {
    const int32_t before = reg->Value;
    PressKey(*reg, ControlKey::CoarseUp);
    EXPECT_EQ(reg->Value - before, units) << ControlName(*reg);
  }
}

TEST_F(ExactControlTest, TheWheelTakesOnlyWhatLiesOverAValueSlider) {
  NTVCO& vco = First<NTVCO>();
  const Point panel = vco.AbsPos();
  EXPECT_FALSE(Wheel(client.Root(), {panel.x + 3, panel.y + 3}, 1, false));  // the title
  EXPECT_FALSE(Wheel(client.Root(), {700, 100}, 1, false));                  // the background
  EXPECT_FALSE(client.Modified());
  const Point column = vco.Freq.Slider.AbsPos();
  EXPECT_TRUE(Wheel(client.Root(), {column.x + 4, column.y + 60}, 3, false));
  EXPECT_EQ(vco.Freq.Value, 30150);
  EXPECT_EQ(vco.Freq.Disp.Value, 30150);
  EXPECT_TRUE(client.Modified());
  // A panel laid over the column hides it from the wheel.
  First<NTHall>().MoveTo(panel);
  EXPECT_FALSE(Wheel(client.Root(), {column.x + 4, column.y + 60}, 3, false));
  EXPECT_EQ(vco.Freq.Value, 30150);
}

TEST_F(ExactControlTest, KeyboardFocusWalksTheControlsInCanvasOrder) {
  const std::vector<NTWin*> all = FocusableControls(client.Root());
  NTWin* w = nullptr;
  for (NTWin* expected : all) EXPECT_EQ(w = NextFocus(client.Root(), w, true), expected);
  EXPECT_EQ(NextFocus(client.Root(), w, true), all.front());
  EXPECT_EQ(NextFocus(client.Root(), all.front(), false), all.back());
  NTVCO& vco = First<NTVCO>();
  EXPECT_EQ(ControlName(*NextFocus(client.Root(), &vco.Wave, true)), "VCO 1 \xE2\x80\x93 Freq");

  ASSERT_TRUE(PressKey(vco.Wave, ControlKey::Last));
  EXPECT_EQ(vco.Wave.Selected, 3);
  EXPECT_EQ(ControlValueText(vco.Wave), "Rechteck");
  PressKey(vco.Wave, ControlKey::StepUp);
  EXPECT_EQ(vco.Wave.Selected, 2);
  NTOsci& osci = First<NTOsci>();
  ASSERT_TRUE(PressKey(osci.On[1], ControlKey::Toggle));
  EXPECT_EQ(osci.On[1].State, 1);
  EXPECT_EQ(ControlName(osci.On[1]), "Oscilloscope 1 \xE2\x80\x93 On 2");
  EXPECT_FALSE(PressKey(osci.On[1], ControlKey::StepUp));
}

TEST_F(ExactControlTest, HoldingAStepArrowRepeatsAfterADelay) {
  NTVCO& vco = First<NTVCO>();
  TStepRepeat repeat;
  const Point up = CanvasTest::Centre(vco.Freq.Up);
  const auto t0 = TStepRepeat::Clock::now();
  client.Mouse(MouseKind::LDown, up);
  for (int ms : {0, 100, 399}) repeat.Tick(client, t0 + std::chrono::milliseconds(ms));
  EXPECT_EQ(vco.Freq.Value, 30000);
  for (int ms : {400, 420, 460}) repeat.Tick(client, t0 + std::chrono::milliseconds(ms));
  EXPECT_EQ(vco.Freq.Value, 30100);
  EXPECT_EQ(vco.Freq.Disp.Value, 30100);
  client.Mouse(MouseKind::LUp, up);
  EXPECT_EQ(vco.Freq.Value, 30150);
  repeat.Tick(client, t0 + std::chrono::seconds(2));
  EXPECT_EQ(vco.Freq.Value, 30150);
}

TEST_F(ExactControlTest, ResetReturnsToANewDevicesValue) {
  NTVCO& vco = First<NTVCO>();
  EnterValue(vco.Freq, "1000");
  EXPECT_TRUE(Reset(vco.Freq));
  EXPECT_EQ(vco.Freq.Value, 30000);
  EXPECT_EQ(vco.Freq.Disp.Value, 30000);
  EXPECT_FALSE(Reset(vco.Freq));
}
}  // namespace
