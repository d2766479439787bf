#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "platform/art.h"
#include "support/test_canvas.h"
#include "toolkit/button.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"
#include "toolkit/slider.h"

namespace {

// A stand-in device: records every notification with the value slider's value at that moment.
struct Device : NTWin {
  struct Note {
    char kind;  // 'c' CtrlNotify, 's' SliderMoved, 'r' RegChanged
    int code;
    int32_t value;
  };
  Device(TestCanvas& canvas, Point at) : NTWin(&canvas, &canvas.root) { MoveTo(at); }
  void CtrlNotify(int code) override { notes.push_back({'c', code, 0}); }
  void SliderMoved(int code) override { notes.push_back({'s', code, 0}); }
  void RegChanged(int code) override { notes.push_back({'r', code, reg ? reg->Value.Get() : 0}); }
  const NTReg* reg = nullptr;
  std::vector<Note> notes;
};

// True when the w x h pixels at (x, y) of the canvas equal those at (sx, sy) of src.
bool Shows(const Surface& canvas, int x, int y, int w, int h, const Surface& src, int sx, int sy) {
  if (src.Empty()) return false;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if (canvas.Pixel(x + i, y + j) != src.Pixel(sx + i, sy + j)) return false;
  return true;
}

class Controls : public ::testing::Test {
 protected:
  // Grabs the knob at its top row, moves the mouse to the row of pos and lets go.
  void DragKnob(NTSlider& s, int pos) {
    const Point p = s.AbsPos();
    const int x = p.x + 8;
    ASSERT_TRUE(canvas.Mouse(MouseKind::LDown, {x, p.y + s.Travel - s.KnobPos()}));
    canvas.Mouse(MouseKind::Move, {x, p.y + s.Travel - pos});
    canvas.Mouse(MouseKind::LUp, {x, p.y + s.Travel - pos});
  }
  void ClickCentre(const NTWin& w) {
    const Point p = w.AbsPos();
    canvas.Click({p.x + w.W / 2, p.y + w.H / 2});
  }
  const Surface& Bitmap(int n) { return canvas.bitmaps.Get(n); }

  TestCanvas canvas;
  Device device{canvas, {100, 50}};
};

TEST_F(Controls, KeyTogglesOnEveryClickInsideAndNotifies) {
  NTKey key(&canvas, &device, 7, bmp::kKeyGnd, 20, 13, 0);
  key.MoveTo({10, 10});
  ClickCentre(key);
  EXPECT_EQ(key.State, 1);
  ClickCentre(key);
  EXPECT_EQ(key.State, 0);
  ASSERT_EQ(device.notes.size(), 2u);
  EXPECT_EQ(device.notes[1].kind, 'c');
  EXPECT_EQ(device.notes[1].code, 7);

  canvas.Click({110 + 20, 60});  // just right of the key
  canvas.SetInteraction(InteractionMode::Moving);
  ClickCentre(key);
  EXPECT_EQ(key.State, 0);
  EXPECT_EQ(device.notes.size(), 2u);
}

TEST_F(Controls, KeyShowsItsOnImageWhenOn) {
  NTKey key(&canvas, &device, 1, bmp::kKeyOn, 20, 13, 1);
  key.MoveTo({10, 10});
  key.Paint(*TClientDC(canvas));
  EXPECT_TRUE(Shows(canvas.pixels, 110, 60, 20, 13, Bitmap(bmp::kKeyOn), 20, 0));
  ClickCentre(key);
  EXPECT_TRUE(Shows(canvas.pixels, 110, 60, 20, 13, Bitmap(bmp::kKeyOn), 0, 0));
}

TEST_F(Controls, KeysetSelectsTheRowUnderTheMouseAndNotifiesEvenWhenUnchanged) {
  NTKeyset keys(&canvas, &device, 4, bmp::kKeysVcoWave, 25, 17, 4, 0);
  keys.MoveTo({10, 10});
  EXPECT_EQ(keys.H, 68);
  canvas.Click({115, 60 + 40});
  EXPECT_EQ(keys.Selected, 2);
  canvas.Click({115, 60 + 40});
  EXPECT_EQ(keys.Selected, 2);
  ASSERT_EQ(device.notes.size(), 2u);
  EXPECT_EQ(device.notes[0].code, 4);
  EXPECT_EQ(device.notes[1].code, 4);
  // The selected key shows its on image, the others their off images.
  EXPECT_TRUE(Shows(canvas.pixels, 110, 60 + 34, 25, 17, Bitmap(bmp::kKeysVcoWave), 25, 34));
  EXPECT_TRUE(Shows(canvas.pixels, 110, 60 + 17, 25, 17, Bitmap(bmp::kKeysVcoWave), 0, 17));
}

TEST_F(Controls, KeysetWithADamagedSelectionShowsEveryKeyOff) {
  NTKeyset keys(&canvas, &device, 4, bmp::kKeysFilter, 25, 17, 4, 0);
  for (int32_t bad : {-1, 4, std::numeric_limits<int32_t>::max()}) {
    opstream os;
    os.WriteWord(bad);
    ipstream is(os.Bytes());
    keys.Read(is);
    EXPECT_EQ(keys.Selected, bad);  // kept as loaded
    keys.Paint(*TClientDC(canvas));
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(
          Shows(canvas.pixels, 100, 50 + 17 * i, 25, 17, Bitmap(bmp::kKeysFilter), 0, 17 * i));
  }
}

TEST_F(Controls, ButtonFiresOnReleaseEvenOutside) {
  NTButUp up(&canvas, &device, 9);
  up.MoveTo({0, 0});
  ASSERT_EQ(up.W, 16);
  ASSERT_EQ(up.H, 12);
  ASSERT_TRUE(canvas.Mouse(MouseKind::LDown, {105, 55}));
  EXPECT_EQ(up.Pressed, 1);
  EXPECT_EQ(canvas.Interaction(), InteractionMode::Control);
  EXPECT_EQ(canvas.captured, &up);
  EXPECT_TRUE(device.notes.empty());  // nothing before the release

  EXPECT_TRUE(canvas.Mouse(MouseKind::LUp, {500, 400}));
  EXPECT_EQ(up.Pressed, 0);
  EXPECT_EQ(canvas.Interaction(), InteractionMode::Idle);
  EXPECT_EQ(canvas.captured, nullptr);
  ASSERT_EQ(device.notes.size(), 1u);
  EXPECT_EQ(device.notes[0].code, 9);
}

TEST_F(Controls, PressedButtonSinksIntoADarkFrame) {
  NTButDn down(&canvas, &device, 2);
  const Surface& arrow = Bitmap(bmp::kArrowDown);
  down.Paint(*TClientDC(canvas));
  EXPECT_TRUE(Shows(canvas.pixels, 100, 50, 16, 12, arrow, 0, 0));

  canvas.Mouse(MouseKind::LDown, {101, 51});
  const Color dark = Rgb(114, 114, 114);
  EXPECT_EQ(canvas.pixels.Pixel(100, 50), dark);
  EXPECT_EQ(canvas.pixels.Pixel(101, 52), dark);
  EXPECT_EQ(canvas.pixels.Pixel(115, 61), dark);  // right column and bottom row stay dark
  EXPECT_EQ(canvas.pixels.Pixel(115, 55), dark);
  EXPECT_EQ(canvas.pixels.Pixel(107, 61), dark);
  EXPECT_TRUE(Shows(canvas.pixels, 102, 52, 13, 9, arrow, 1, 1));
}

class Sliders : public Controls {
 protected:
  NTSlider slider{&canvas, &device, 3, 100};
};

TEST_F(Sliders, KnobAtTheBottomCoversTheLastTwentyRows) {
  EXPECT_EQ(slider.W, 16);
  EXPECT_EQ(slider.H, 120);
  slider.Paint(*TClientDC(canvas));
  EXPECT_TRUE(Shows(canvas.pixels, 100, 150, 16, 20, Bitmap(bmp::kKnob), 0, 0));
  EXPECT_TRUE(Shows(canvas.pixels, 100, 50, 16, 100, Bitmap(bmp::kTrack), 0, 0));

  // Only the knob takes the mouse, not the track above it.
  EXPECT_EQ(canvas.Mouse(MouseKind::LDown, {108, 149}), 0);
  EXPECT_EQ(canvas.Interaction(), InteractionMode::Idle);
  EXPECT_EQ(canvas.Mouse(MouseKind::LDown, {108, 150}), 1);
  EXPECT_EQ(canvas.Interaction(), InteractionMode::Control);
}

TEST_F(Sliders, TrackEndsInItsCapAboveTheKnob) {
  NTSlider small(&canvas, &device, 4, 40);
  small.MoveTo({20, 0});
  small.Pos = 40;
  small.Paint(*TClientDC(canvas));
  EXPECT_TRUE(Shows(canvas.pixels, 120, 50 + 20, 16, 36, Bitmap(bmp::kTrack), 0, 20));
  EXPECT_TRUE(Shows(canvas.pixels, 120, 50 + 56, 16, 4, Bitmap(bmp::kTrack), 0, 116));
  EXPECT_TRUE(Shows(canvas.pixels, 120, 50, 16, 20, Bitmap(bmp::kKnob), 0, 0));
}

TEST_F(Sliders, DragsClampAtBothEndsAndEveryMoveNotifies) {
  canvas.Mouse(MouseKind::LDown, {104, 160});  // 10 rows into the knob
  EXPECT_EQ(slider.GrabX, 4);
  EXPECT_EQ(slider.GrabY, 10);
  canvas.Mouse(MouseKind::Move, {104, 110});
  EXPECT_EQ(slider.Pos, 50);
  canvas.Mouse(MouseKind::Move, {900, -5000});
  EXPECT_EQ(slider.Pos, 100);
  canvas.Mouse(MouseKind::Move, {104, -5000});
  EXPECT_EQ(slider.Pos, 100);
  canvas.Mouse(MouseKind::Move, {104, std::numeric_limits<int32_t>::max()});
  EXPECT_EQ(slider.Pos, 0);
  canvas.Mouse(MouseKind::LUp, {0, 0});
  EXPECT_EQ(canvas.Interaction(), InteractionMode::Idle);
  EXPECT_EQ(canvas.captured, nullptr);

  ASSERT_EQ(device.notes.size(), 4u);
  for (const auto& n : device.notes) {
    EXPECT_EQ(n.kind, 's');
    EXPECT_EQ(n.code, 3);
  }
  canvas.Mouse(MouseKind::Move, {104, 110});  // released: moves do nothing
  EXPECT_EQ(slider.Pos, 0);
}

TEST_F(Sliders, RightButtonDuringADragIsRefusedAndItsReleaseEndsTheDrag) {
  canvas.Mouse(MouseKind::LDown, {104, 160});
  canvas.Mouse(MouseKind::Move, {104, 130});
  EXPECT_EQ(canvas.Mouse(MouseKind::RDown, {104, 130}), 0);
  EXPECT_EQ(canvas.captured, &slider);
  EXPECT_EQ(canvas.Mouse(MouseKind::RUp, {104, 130}), 1);
  EXPECT_EQ(canvas.Interaction(), InteractionMode::Idle);
  EXPECT_EQ(canvas.captured, nullptr);
  EXPECT_EQ(slider.Pos, 30);
}

TEST_F(Sliders, DamagedPositionKeepsTheKnobOnItsTrack) {
  for (int32_t bad : {std::numeric_limits<int32_t>::min(), -1, 101}) {
    slider.Pos = bad;
    slider.Paint(*TClientDC(canvas));
    const int top = bad < 0 ? 150 : 50;
    EXPECT_TRUE(Shows(canvas.pixels, 100, top, 16, 20, Bitmap(bmp::kKnob), 0, 0)) << bad;
    EXPECT_EQ(slider.Pos, bad);
  }
}

TEST_F(Controls, SliderTravelStaysWithinItsTrack) {
  NTSlider tall(&canvas, &device, 1, 500);
  NTSlider negative(&canvas, &device, 2, -7);
  EXPECT_EQ(tall.Travel, 100);
  EXPECT_EQ(tall.H, 120);
  EXPECT_EQ(negative.Travel, 0);
  EXPECT_EQ(negative.H, 20);
}

class ValueSliders : public Controls {
 protected:
  NTReg& Make(int travel, int min, int max, int step, int value) {
    reg_.emplace(&canvas, &device, 5, travel, min, max, step, value);
    reg_->MoveTo({20, 30});
    device.reg = &*reg_;
    return *reg_;
  }
  std::optional<NTReg> reg_;
};

TEST_F(ValueSliders, WideRangeStepsAndDrags) {
  NTReg& reg = Make(100, 18000, 60000, 100, 30000);
  EXPECT_EQ(reg.Slider.Pos, 28);
  ClickCentre(reg.Up);
  EXPECT_EQ(reg.Value, 30100);
  EXPECT_EQ(reg.Slider.Pos, 28);
  ASSERT_EQ(device.notes.size(), 1u);
  EXPECT_EQ(device.notes[0].kind, 'r');
  EXPECT_EQ(device.notes[0].code, 5);
  EXPECT_EQ(device.notes[0].value, 30100);

  DragKnob(reg.Slider, 50);
  EXPECT_EQ(reg.Value, 39000);
  DragKnob(reg.Slider, 99);
  EXPECT_EQ(reg.Value, 59580);  // not snapped to the step
  DragKnob(reg.Slider, 100);
  EXPECT_EQ(reg.Value, 60000);
  DragKnob(reg.Slider, 0);
  EXPECT_EQ(reg.Value, 18000);
  EXPECT_EQ(device.notes.back().value, 18000);
  for (const auto& n : device.notes) EXPECT_EQ(n.kind, 'r');  // inner codes never leak out
}

TEST_F(ValueSliders, NarrowRangeTruncatesTowardZero) {
  NTReg& reg = Make(40, -13, 6, 1, 0);
  EXPECT_EQ(reg.Slider.Pos, 27);  // 13 * 40 / 19
  DragKnob(reg.Slider, 0);
  EXPECT_EQ(reg.Value, -13);
  DragKnob(reg.Slider, 40);
  EXPECT_EQ(reg.Value, 6);
  DragKnob(reg.Slider, 21);
  EXPECT_EQ(reg.Value, -4);
  ClickCentre(reg.Down);
  EXPECT_EQ(reg.Value, -5);
  EXPECT_EQ(reg.Slider.Pos, 16);  // 8 * 40 / 19
}

TEST_F(ValueSliders, SteppingAtALimitStillNotifies) {
  NTReg& reg = Make(100, 0, 1000, 30, 990);
  ClickCentre(reg.Up);
  EXPECT_EQ(reg.Value, 1000);
  ClickCentre(reg.Up);
  EXPECT_EQ(reg.Value, 1000);
  EXPECT_EQ(reg.Slider.Pos, 100);
  reg.SetValue(10);
  ClickCentre(reg.Down);
  ClickCentre(reg.Down);
  EXPECT_EQ(reg.Value, 0);
  ASSERT_EQ(device.notes.size(), 4u);
  EXPECT_EQ(device.notes[1].value, 1000);
  EXPECT_EQ(device.notes[3].value, 0);
}

TEST_F(ValueSliders, OtherCodesOnlyNotify) {
  NTReg& reg = Make(100, 0, 1000, 10, 500);
  reg.CtrlNotify(NTReg::kSliderCode);
  reg.CtrlNotify(77);
  EXPECT_EQ(reg.Value, 500);
  EXPECT_EQ(device.notes.size(), 2u);
}

TEST_F(ValueSliders, ColumnOfTravelHundredIs16By144) {
  NTReg& reg = Make(100, 0, 100, 1, 0);
  const Point p = reg.AbsPos();
  EXPECT_EQ(reg.Up.AbsRect(), Rect::FromSize(p.x, p.y, 16, 12));
  EXPECT_EQ(reg.Slider.AbsRect(), Rect::FromSize(p.x, p.y + 12, 16, 120));
  EXPECT_EQ(reg.Down.AbsRect(), Rect::FromSize(p.x, p.y + 132, 16, 12));
  EXPECT_EQ(reg.Up.Target, &reg);
  EXPECT_EQ(reg.Slider.Target, &reg);
  EXPECT_EQ(reg.Target, &device);
  EXPECT_EQ(reg.Up.Code, NTReg::kUpCode);
  EXPECT_EQ(reg.Down.Code, NTReg::kDownCode);
  EXPECT_EQ(reg.Slider.Code, NTReg::kSliderCode);
}

TEST_F(ValueSliders, SavesEachPartThenItsValueAndLoadsThemBack) {
  NTReg& saved = Make(100, 18000, 60000, 100, 39000);
  opstream os;
  WriteWalk(&saved, os);
  ipstream check(os.Bytes());
  const std::vector<int32_t> words = {check.ReadWord(), check.ReadWord(), check.ReadWord(),
                                      check.ReadWord()};
  EXPECT_EQ(words, (std::vector<int32_t>{0, 0, 50, 39000}));
  EXPECT_TRUE(check.AtEnd());

  NTReg loaded(&canvas, &device, 5, 100, 18000, 60000, 100, 18000);
  ipstream is(os.Bytes());
  ReadWalk(&loaded, is);
  EXPECT_EQ(loaded.Value, 39000);
  EXPECT_EQ(loaded.Slider.Pos, 50);
}

TEST_F(ValueSliders, DamagedValuesNeitherOverflowNorEscapeTheRange) {
  NTReg& reg = Make(100, 18000, 60000, 100, 30000);
  reg.Value = std::numeric_limits<int32_t>::max();
  reg.Step = std::numeric_limits<int32_t>::max();
  reg.CtrlNotify(NTReg::kUpCode);
  EXPECT_EQ(reg.Value, 60000);
  reg.Value = std::numeric_limits<int32_t>::min();
  reg.CtrlNotify(NTReg::kDownCode);
  EXPECT_EQ(reg.Value, 18000);

  reg.SetValue(std::numeric_limits<int32_t>::min());
  EXPECT_LT(reg.Slider.Pos, 0);
  reg.Slider.Paint(*TClientDC(canvas));  // the knob stays at the bottom of its track
  reg.SliderMoved(3);
  EXPECT_EQ(reg.Value, 18000);
}

}  // namespace
