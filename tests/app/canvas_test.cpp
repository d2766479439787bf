#include <gtest/gtest.h>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "engine/wire.h"

namespace {
constexpr Color kBlack = Rgb(0, 0, 0);
constexpr const char* kIllegal =
    "Unerlaubte Verbindung!\nEs können nur Ein- und Ausgänge miteinander verbunden werden. "
    "Zweimal klicken auf einen Eingang löscht eine Verbindung. Der Vorgang wurde abgebrochen.";

TEST_F(CanvasTest, StartShowsInputAndOutputOnTheTiles) {
  EXPECT_EQ(client.TitleText(), "Quarvin V1.01 - (Kein Titel)");
  EXPECT_EQ(Input().AbsPos(), (Point{10, 10}));
  EXPECT_EQ(Output().AbsPos(), (Point{100, 10}));
  EXPECT_EQ(Pixel(0, 0), Rgb(70, 255, 70));
  EXPECT_EQ(Pixel(10, 10), Rgb(255, 255, 255));    // the frame's white corner
  EXPECT_EQ(Pixel(89, 119), Rgb(0, 0, 0));         // and its black one
  EXPECT_EQ(Pixel(300, 300), Rgb(132, 255, 132));  // tile (280, 280): (93 + 280) / 6 + 70
  EXPECT_EQ(Output().L.Source.Get(), nullptr);
}

TEST_F(CanvasTest, ClickingOutputThenInputConnectsAndDrawsACurvedWire) {
  Connect(Input().L, Output().L);
  EXPECT_EQ(Output().L.Source.Get(), &Input().L);
  EXPECT_TRUE(shell.errors.empty());
  client.PaintPending();
  // Centres (66, 50) and (124, 50): 58 pixels apart, the wire hangs 11 below at x = 95.
  EXPECT_TRUE(ColumnHas(95, 59, 62, kBlack));
  EXPECT_FALSE(ColumnHas(95, 45, 55, kBlack));
}

TEST_F(CanvasTest, InputFirstAlsoConnects) {
  Connect(Output().R, Input().R);
  EXPECT_EQ(Output().R.Source.Get(), &Input().R);
}

TEST_F(CanvasTest, ReplacingASourceErasesTheOldWire) {
  Connect(Input().L, Output().L);
  client.PaintPending();
  ASSERT_TRUE(ColumnHas(95, 59, 62, kBlack));
  Connect(Input().R, Output().L);  // centres (66, 90) and (124, 50)
  EXPECT_EQ(Output().L.Source.Get(), &Input().R);
  client.PaintPending();
  EXPECT_FALSE(ColumnHas(95, 59, 62, kBlack));
}

TEST_F(CanvasTest, ClickingAnInputTwiceDisconnectsSilently) {
  Connect(Input().L, Output().L);
  Connect(Output().L, Output().L);
  EXPECT_EQ(Output().L.Source.Get(), nullptr);
  Connect(Output().R, Output().R);  // unconnected: nothing happens
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(client.Interaction(), InteractionMode::Idle);
}

TEST_F(CanvasTest, IllegalPairsShowTheMessageAndChangeNothing) {
  Connect(Input().L, Input().L);    // an output twice
  Connect(Input().L, Input().R);    // two outputs
  Connect(Output().L, Output().R);  // two different inputs
  ASSERT_EQ(shell.errors.size(), 3u);
  for (const auto& e : shell.errors) EXPECT_EQ(e, kIllegal);
  EXPECT_EQ(Output().L.Source.Get(), nullptr);
  EXPECT_EQ(Output().R.Source.Get(), nullptr);
  EXPECT_EQ(client.Interaction(), InteractionMode::Idle);
}

TEST_F(CanvasTest, BackgroundClickDuringAPendingConnectionIsIgnored) {
  Click(Centre(Input().L));
  Click({400, 400});
  EXPECT_EQ(client.Interaction(), InteractionMode::Connecting);
  Click(Centre(Output().L));
  EXPECT_EQ(Output().L.Source.Get(), &Input().L);
}

TEST_F(CanvasTest, PendingFocusRectangleIsRemovedAfterTheSecondClick) {
  const Surface before = client.Pixels();
  Connect(Output().L, Output().L);
  EXPECT_EQ(client.Pixels().Pixels(), before.Pixels());
}

TEST_F(CanvasTest, NewCancelsAPendingConnection) {
  Click(Centre(Input().L));
  client.Command(cmd::kFileNew);
  EXPECT_EQ(client.Interaction(), InteractionMode::Idle);
  Click(Centre(Output().L));  // a fresh first click, not the second of a dead pair
  EXPECT_EQ(client.Interaction(), InteractionMode::Connecting);
  EXPECT_EQ(Output().L.Source.Get(), nullptr);
}

TEST_F(CanvasTest, DeletingADeviceDropsEveryConnectionFromIt) {
  client.Command(InsertCommand(DeviceType::Output));  // a second Output, placed by the next click
  client.Mouse(MouseKind::Move, {300, 300});
  Click({300, 300});
  ASSERT_EQ(client.Devices().size(), 3u);
  NTOutput& second = Output(2);
  Connect(Input().L, Output().L);
  Connect(Input().L, Output().R);
  Connect(Input().L, second.L);
  shell.popupAnswer = cmd::kDeleteDevice;
  client.Mouse(MouseKind::RDown, {20, 100});
  client.Mouse(MouseKind::RUp, {20, 100});
  ASSERT_EQ(client.Devices().size(), 2u);
  EXPECT_EQ(client.Devices()[0]->Type, DeviceType::Output);
  EXPECT_EQ(Output(0).L.Source.Get(), nullptr);
  EXPECT_EQ(Output(0).R.Source.Get(), nullptr);
  EXPECT_EQ(dynamic_cast<NTOutput*>(client.Devices()[1])->L.Source.Get(), nullptr);
  EXPECT_EQ(client.PopupDevice, nullptr);
}

TEST_F(CanvasTest, DismissingThePopupKeepsEverything) {
  client.Mouse(MouseKind::RUp, {20, 100});
  EXPECT_EQ(shell.popups.size(), 1u);
  EXPECT_EQ(client.Devices().size(), 2u);
}

TEST_F(CanvasTest, PanelsSnapWithinEightPixelsInclusive) {
  // Grab the Output by its title (offset (10, 5)); its left edge near the Input's right edge (90).
  Drag({110, 15}, {108, 15});
  EXPECT_EQ(Output().AbsPos(), (Point{90, 10}));
  Drag({100, 15}, {119, 15});  // left edge at 109: 19 away, no rule holds
  EXPECT_EQ(Output().AbsPos(), (Point{109, 10}));
  Drag({119, 15}, {109, 15});  // 99: 9 away from 90, no snap
  EXPECT_EQ(Output().AbsPos(), (Point{99, 10}));
}

TEST_F(CanvasTest, WithSnapOffThePanelLandsAtPointerMinusGrab) {
  client.Command(cmd::kSnap);
  EXPECT_FALSE(shell.marks[cmd::kSnap]);
  Drag({110, 15}, {103, 17});
  EXPECT_EQ(Output().AbsPos(), (Point{93, 12}));
}

TEST_F(CanvasTest, AMoveShowsOnlyAFocusRectangleUntilTheDrop) {
  const Surface before = client.Pixels();
  client.Mouse(MouseKind::LDown, {110, 15});
  client.Mouse(MouseKind::Move, {300, 200});
  EXPECT_EQ(Output().AbsPos(), (Point{100, 10}));
  EXPECT_NE(client.Pixels().Pixels(), before.Pixels());
  client.Mouse(MouseKind::LUp, {300, 200});
  client.PaintPending();
  EXPECT_EQ(Output().AbsPos(), (Point{290, 195}));
  EXPECT_EQ(Pixel(290, 195), Rgb(255, 255, 255));  // the panel at its new place
  EXPECT_EQ(Pixel(100, 10), before.Pixel(95, 5));  // the old place shows the tiles again
}

TEST_F(CanvasTest, ANewPanelFollowsThePointerByItsCorner) {
  client.Command(InsertCommand(DeviceType::Output));
  EXPECT_EQ(client.Interaction(), InteractionMode::Moving);
  client.Mouse(MouseKind::Move, {400, 300});
  client.Mouse(MouseKind::LDown, {400, 300});
  client.Mouse(MouseKind::LUp, {400, 300});
  EXPECT_EQ(client.Devices().back()->AbsPos(), (Point{400, 300}));
  EXPECT_EQ(client.Interaction(), InteractionMode::Idle);
}

TEST_F(CanvasTest, WiresCanBeHiddenButStillCarrySignals) {
  Connect(Input().L, Output().L);
  client.Command(cmd::kWiresVisible);
  client.PaintPending();
  EXPECT_FALSE(ColumnHas(95, 59, 62, kBlack));
  EXPECT_EQ(Output().L.WireRect(), Rect{});
  client.InBlock(0).Data()[0] = 1000;
  client.ProcessBlock(0, 0);
  EXPECT_EQ(client.OutBlock(0).Data()[2], 1000);
}

TEST_F(CanvasTest, WiresBehindThePanelsAreCoveredByThem) {
  // A wire from Input L to Output R crosses the Output panel's left part.
  Connect(Input().L, Output().R);
  client.Command(cmd::kWiresBehind);
  client.PaintPending();
  EXPECT_FALSE(ColumnHas(105, 40, 115, kBlack));
  client.Command(cmd::kWiresFront);
  client.PaintPending();
  EXPECT_TRUE(ColumnHas(105, 40, 115, kBlack));
}

TEST_F(CanvasTest, OptionCommandsMoveTheCheckMarks) {
  client.SetMenuMarks();
  EXPECT_TRUE(shell.marks[cmd::kWiresVisible]);
  EXPECT_TRUE(shell.marks[cmd::kWiresFront]);
  EXPECT_FALSE(shell.marks[cmd::kWiresBehind]);
  EXPECT_TRUE(shell.marks[cmd::kCurvesOn]);
  EXPECT_FALSE(shell.marks[cmd::kCurvesOff]);
  EXPECT_TRUE(shell.marks[cmd::kSnap]);
  client.Command(cmd::kWiresBehind);
  client.Command(cmd::kWiresBehind);
  EXPECT_FALSE(shell.marks[cmd::kWiresFront]);
  EXPECT_TRUE(shell.marks[cmd::kWiresBehind]);
  client.Command(cmd::kCurvesOff);
  EXPECT_TRUE(shell.marks[cmd::kCurvesOff]);
  EXPECT_FALSE(shell.marks[cmd::kCurvesOn]);
  client.Command(cmd::kWiresVisible);
  EXPECT_FALSE(shell.marks[cmd::kWiresVisible]);
}

TEST(Wire, StraightUpToThreePixelsApartCurvedFromFour) {
  EXPECT_FALSE(TWire({10, 10}, {13, 10}, true).Curved);
  EXPECT_TRUE(TWire({10, 10}, {14, 10}, true).Curved);
  EXPECT_FALSE(TWire({10, 10}, {200, 10}, false).Curved);
}

TEST(Wire, SagRules) {
  EXPECT_EQ(TWire({0, 0}, {50, 0}, true).Sag, 10);
  for (int d = 55; d <= 59; ++d) EXPECT_EQ(TWire({0, 0}, {d, 0}, true).Sag, 11) << d;
  EXPECT_EQ(TWire({0, 0}, {60, 0}, true).Sag, 10);
  EXPECT_EQ(TWire({0, 0}, {19, 0}, true).Sag, 3);
}

TEST(Wire, HundredPixelsAtTheSameHeightHangTenBelowTheMiddle) {
  const TWire w({100, 50}, {0, 50}, true);  // ends given right to left
  EXPECT_EQ(w.A, (Point{0, 50}));
  Surface s(200, 100, Rgb(255, 255, 255));
  Dc dc(s);
  w.Draw(dc);
  EXPECT_EQ(s.Pixel(50, 60), kBlack);
  EXPECT_EQ(w.Bounds(), (Rect{0, 50, 101, 61}));
}

TEST(Wire, CollinearCurveStillHasACoveringRectangle) {
  const TWire w({0, 20}, {4, 20}, true);  // sag 0: three points on a line
  EXPECT_EQ(w.Bounds(), (Rect{0, 20, 5, 21}));
}
}  // namespace
