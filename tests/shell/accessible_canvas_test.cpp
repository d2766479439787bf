// The canvas as screen readers and the keyboard see it: every control of every device type with
// its name and value, set through the accessibility interfaces, the keys and the typed entry.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>
#include <map>

#include "devices/osci.h"
#include "devices/registry.h"
#include "devices/vco.h"
#include "shell/main_frame.h"
#include "toolkit/control_input.h"

namespace {
const std::string kDash = " \xE2\x80\x93 ";

class AccessibleCanvasTest : public ::testing::Test {
 protected:
  AccessibleCanvasTest() {
    auto owned = std::make_unique<TCanvasWidget>(nullptr);
    canvas = owned.get();
    frame = std::make_unique<TMainFrame>(std::move(owned));
    EXPECT_TRUE(frame->Setup());
    int x = 10;
    for (const TDeviceEntry& e : DeviceRegistry()) {
      NTDevWin* d = canvas->Client().CreateDevice(e.type);
      d->MoveTo({x, 150});
      x += d->W + 10;
    }
    frame->resize(x + 20, 500);
    frame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    frame->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  }
  template <class T>
  T& First() {
    for (NTDevWin* d : canvas->Client().Devices())
      if (auto* t = dynamic_cast<T*>(d)) return *t;
    throw std::logic_error("no such device");
  }
  // Every control's interface by its name.
  std::map<std::string, QAccessibleInterface*> Controls() {
    std::map<std::string, QAccessibleInterface*> controls;
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(canvas);
    for (int i = 0; i < root->childCount(); ++i) {
      QAccessibleInterface* panel = root->child(i);
      EXPECT_EQ(panel->role(), QAccessible::Grouping);
      EXPECT_EQ(panel->parent(), root);
      for (int j = 0; j < panel->childCount(); ++j) {
        QAccessibleInterface* c = panel->child(j);
        const std::string name = c->text(QAccessible::Name).toStdString();
        EXPECT_TRUE(name.starts_with(panel->text(QAccessible::Name).toStdString() + kDash)) << name;
        EXPECT_FALSE(c->text(QAccessible::Value).isEmpty()) << name;
        EXPECT_EQ(c->parent(), panel) << name;
        EXPECT_EQ(panel->indexOfChild(c), j) << name;
        EXPECT_TRUE(controls.emplace(name, c).second) << "twice: " << name;
      }
    }
    return controls;
  }
  std::string Value(QAccessibleInterface* c) { return c->text(QAccessible::Value).toStdString(); }

  TCanvasWidget* canvas;
  std::unique_ptr<TMainFrame> frame;
};

TEST_F(AccessibleCanvasTest, EveryControlOfEveryDeviceHasANameAndAValue) {
  const auto controls = Controls();
  EXPECT_EQ(controls.size(), FocusableControls(canvas->Client().Root()).size());
  const std::map<std::string, std::pair<QAccessible::Role, std::string>> expected = {
      {"VCO 1" + kDash + "Freq", {QAccessible::Slider, "440,0 Hz"}},
      {"VCO 1" + kDash + "Vol", {QAccessible::Slider, "+0,0 dB"}},
      {"VCO 1" + kDash + "Welle", {QAccessible::SpinBox, "Sinus"}},
      {"LFO 1" + kDash + "Freq", {QAccessible::Slider, "1,718 Hz"}},
      {"Filter 1" + kDash + "Q", {QAccessible::Slider, "1,0"}},
      {"Filter 1" + kDash + "Typ", {QAccessible::SpinBox, "Tiefpass"}},
      {"Mixer 1" + kDash + "Master", {QAccessible::Slider, "-10,0 dB"}},
      {"Mixer 1" + kDash + "Vol 4", {QAccessible::Slider, "+0,0 dB"}},
      {"Hall 1" + kDash + "Feedback", {QAccessible::Slider, "0,500"}},
      {"Flanger 1" + kDash + "Delay", {QAccessible::Slider, "0,250"}},
      {"Oscilloscope 1" + kDash + "Time", {QAccessible::Slider, "680 \xC2\xB5s"}},
      {"Oscilloscope 1" + kDash + "Att 3", {QAccessible::Slider, "+0,0 dB"}},
      {"Oscilloscope 1" + kDash + "On 1", {QAccessible::CheckBox, "ein"}},
      {"Oscilloscope 1" + kDash + "GND 2", {QAccessible::CheckBox, "aus"}},
      {"Oscilloscope 1" + kDash + "Flanke", {QAccessible::SpinBox, "steigend"}},
  };
  for (const auto& [name, look] : expected) {
    ASSERT_TRUE(controls.contains(name)) << name;
    EXPECT_EQ(controls.at(name)->role(), look.first) << name;
    EXPECT_EQ(Value(controls.at(name)), look.second) << name;
  }
}

TEST_F(AccessibleCanvasTest, SettingAValueThroughTheInterfaceChangesTheDevice) {
  NTVCO& vco = First<NTVCO>();
  NTOsci& osci = First<NTOsci>();
  auto controls = Controls();
  QAccessibleInterface* freq = controls.at("VCO 1" + kDash + "Freq");
  ASSERT_NE(freq->valueInterface(), nullptr);
  EXPECT_EQ(freq->valueInterface()->maximumValue().toInt(), 60000);
  EXPECT_EQ(freq->valueInterface()->minimumStepSize().toInt(), 50);
  freq->valueInterface()->setCurrentValue(36000);
  EXPECT_EQ(vco.Freq.Value, 36000);
  EXPECT_EQ(vco.Freq.Disp.Value, 36000);
  EXPECT_EQ(Value(freq), "880,0 Hz");
  EXPECT_TRUE(canvas->Client().Modified());
  freq->setText(QAccessible::Value, QStringLiteral("1,76 kHz"));
  EXPECT_EQ(vco.Freq.Value, 42000);
  // Ctrl+click on the slider: back to a new VCO's 440 Hz.
  const Point knob = vco.Freq.Slider.AbsPos();
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::ControlModifier, QPoint(knob.x + 8, knob.y + 30));
  EXPECT_EQ(Value(freq), "440,0 Hz");
  controls.at("VCO 1" + kDash + "Welle")->valueInterface()->setCurrentValue(2);
  EXPECT_EQ(vco.Wave.Selected, 2);
  QAccessibleInterface* on = controls.at("Oscilloscope 1" + kDash + "On 2");
  on->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_EQ(osci.On[1].State, 1);
  EXPECT_TRUE(on->state().checked);
}

TEST_F(AccessibleCanvasTest, TabFocusesControlsAndKeysStepThem) {
  canvas->setFocus();
  NTVCO& vco = First<NTVCO>();
  canvas->Controls().SetFocus(&vco.Wave);
  QTest::keyClick(canvas, Qt::Key_Tab);
  EXPECT_EQ(canvas->Controls().Focus(), &vco.Freq);
  QTest::keyClick(canvas, Qt::Key_Up);
  EXPECT_EQ(vco.Freq.Value, 30050);
  QTest::keyClick(canvas, Qt::Key_PageDown);
  EXPECT_EQ(vco.Freq.Value, 29550);
  QTest::keyClick(canvas, Qt::Key_End);
  EXPECT_EQ(vco.Freq.Value, 60000);
  QTest::keyClick(canvas, Qt::Key_Backtab);
  EXPECT_EQ(canvas->Controls().Focus(), &vco.Wave);
}

TEST_F(AccessibleCanvasTest, TheEntryOverAReadOutSetsOrRefusesATypedValue) {
  NTVCO& vco = First<NTVCO>();
  const Point d = vco.Freq.Disp.AbsPos();
  const QPoint at(d.x + 10, d.y + 6);
  QTest::mouseDClick(canvas, Qt::LeftButton, {}, at);
  auto* entry = canvas->findChild<QLineEdit*>();
  ASSERT_NE(entry, nullptr);
  ASSERT_TRUE(entry->isVisible());
  EXPECT_EQ(entry->text().toStdString(), "440,0 Hz");
  entry->setText(QStringLiteral("20 kHz"));
  QTest::keyClick(entry, Qt::Key_Return);
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(vco.Freq.Value, 30000);
  entry->setText(QStringLiteral("880"));
  QTest::keyClick(entry, Qt::Key_Escape);
  EXPECT_FALSE(entry->isVisible());
  EXPECT_EQ(vco.Freq.Value, 30000);
  canvas->Controls().SetFocus(&vco.Freq);
  QTest::keyClick(canvas, Qt::Key_Return);
  ASSERT_TRUE(entry->isVisible());
  entry->setText(QStringLiteral("1,5 kHz"));
  QTest::keyClick(entry, Qt::Key_Return);
  EXPECT_FALSE(entry->isVisible());
  EXPECT_EQ(vco.Freq.Disp.Value, 40600);  // 1497,2 Hz, the step nearest to 1500 Hz
  EXPECT_EQ(vco.Freq.Value, 40600);
  EXPECT_EQ(canvas->Controls().Focus(), &vco.Freq);
}

TEST_F(AccessibleCanvasTest, AWheelBurstIsOneUndoStep) {
  NTVCO& vco = First<NTVCO>();
  const Point d = vco.Freq.AbsPos();
  const QPoint at(d.x + int(vco.Freq.W) / 2, d.y + int(vco.Freq.H) / 2);
  const size_t steps = canvas->Client().History().Steps();
  const int start = vco.Freq.Value;
  for (int notch = 0; notch < 3; ++notch) {
    QWheelEvent wheel(at, canvas->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
  }
  EXPECT_EQ(vco.Freq.Value, start + 3 * 50);
  EXPECT_TRUE(QTest::qWaitFor([&] { return canvas->Client().History().Steps() > steps; }, 3000));
  EXPECT_EQ(canvas->Client().History().Steps(), steps + 1);
  EXPECT_TRUE(canvas->Client().Undo());
  EXPECT_EQ(vco.Freq.Value, start);
}
}  // namespace
