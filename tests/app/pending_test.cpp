// What the pointer carries between two clicks: the provisional cable of a pending connection and
// a panel that still follows the pointer, and every way of putting them down.
#include <gtest/gtest.h>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "devices/vco.h"
#include "engine/wire.h"

namespace {
constexpr Color kBlack = Rgb(0, 0, 0);
constexpr int kVcoW = 121, kVcoH = 224;  // the VCO panel; the canvas is 800 x 600

class PendingTest : public CanvasTest {
 protected:
  Point InputL() { return Centre(Input().L); }
  void Move(Point p) { client.Mouse(MouseKind::Move, p); }
  void RightClick(Point p) {
    client.Mouse(MouseKind::RDown, p);
    client.Mouse(MouseKind::RUp, p);
  }
  // The pixels of a wire in the given style between two points, drawn on its own.
  static std::vector<Point> WirePixels(Point a, Point b, bool curves) {
    Surface s(800, 600, Rgb(255, 255, 255));
    Dc dc(s);
    TWire(a, b, curves).Draw(dc);
    std::vector<Point> pixels;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x)
        if (s.Pixel(x, y) == kBlack) pixels.push_back({x, y});
    return pixels;
  }
  // How many of the points inside r show black, and how many there are.
  std::pair<int, int> BlackIn(const std::vector<Point>& points, Rect r) {
    std::pair<int, int> n{};
    for (Point p : points)
      if (r.Contains(p)) {
        n.first += Pixel(p.x, p.y) == kBlack;
        ++n.second;
      }
    return n;
  }
  // The window shows exactly what a full repaint of the patch would: no frame, cable or panel
  // left over, nothing missing.
  void ExpectNothingStray() {
    client.PaintPending();
    Surface fresh(800, 600);
    client.PaintAll(fresh);
    EXPECT_EQ(client.Pixels().Pixels(), fresh.Pixels());
  }
  NTDevWin& Last() { return *client.Devices().back(); }
};

TEST_F(PendingTest, CableFollowsThePointerInTheWireStyleOnTopAndGoesWithTheSecondClick) {
  for (const int curves : {1, 0}) {
    client.Command(curves ? cmd::kCurvesOn : cmd::kCurvesOff);
    client.PaintPending();
    Click(InputL());
    Move({300, 200});
    client.PaintPending();
    // All of it shows, also where it crosses the Output panel, and it hangs like a real wire.
    const std::vector<Point> cable = WirePixels(InputL(), {300, 200}, curves);
    const Rect open{190, 0, 800, 600};
    const auto [onPanel, panelPixels] = BlackIn(cable, Output().AbsRect());
    EXPECT_EQ(onPanel, panelPixels);
    EXPECT_GT(panelPixels, curves ? 0 : 50);
    const auto [shown, total] = BlackIn(cable, open);
    EXPECT_EQ(shown, total);
    EXPECT_GT(total, 100);
    Click(Centre(Output().L));
    EXPECT_EQ(Output().L.Source.Get(), &Input().L);
    client.PaintPending();
    EXPECT_EQ(BlackIn(cable, open).first, 0) << curves;
    ExpectNothingStray();
    client.Command(cmd::kFileNew);
  }
}

TEST_F(PendingTest, EachMoveRepaintsOnlyTheRectanglesTheCableLeavesAndEnters) {
  Click(InputL());
  Point last = InputL();
  int64_t painted = 0;
  for (const Point p : {Point{300, 200}, {305, 203}, {310, 206}, {200, 400}, {20, 300}, {40, 20}}) {
    const Rect before = TWire(InputL(), last, true).Bounds();
    const Rect after = TWire(InputL(), p, true).Bounds();
    Move(p);
    const Rect r = client.PaintPending();
    EXPECT_EQ(r, before.Union(after));
    painted += r.Width() * r.Height();
    last = p;
  }
  // Six moves cost well under two full repaints of the 800 x 600 canvas.
  EXPECT_LT(painted, 2 * 800 * 600);
  client.Mouse(MouseKind::Move, {40, 20});
  EXPECT_TRUE(client.PaintPending().Empty());  // no move, no repaint
}

TEST_F(PendingTest, EscapeAndARightClickOnTheBackgroundDropAPendingConnection) {
  const Surface start = client.Pixels();
  const std::vector<uint8_t> saved = client.SaveBytes();
  for (const bool escape : {true, false}) {
    Click(InputL());
    Move({400, 300});
    client.PaintPending();
    EXPECT_EQ(client.SaveBytes(), saved);  // the cable is no part of the patch
    RightClick({120, 60});                 // on a panel: still pending, no popup
    EXPECT_EQ(client.Interaction(), InteractionMode::Connecting);
    if (escape)
      client.Escape();
    else
      RightClick({400, 300});
    EXPECT_EQ(client.Interaction(), InteractionMode::Idle);
    client.PaintPending();
    EXPECT_EQ(client.Pixels().Pixels(), start.Pixels()) << escape;
  }
  EXPECT_TRUE(shell.popups.empty());
  EXPECT_TRUE(shell.errors.empty());
  EXPECT_EQ(Output().L.Source.Get(), nullptr);
}

TEST_F(PendingTest, AnIllegalSecondClickAlsoTakesTheCableAway) {
  Click(InputL());
  Move({300, 300});
  Click(Centre(Input().R));  // two outputs
  EXPECT_EQ(shell.errors.size(), 1u);
  ExpectNothingStray();
}

TEST_F(PendingTest, ASecondInsertFirstPlacesTheFollowingPanel) {
  client.Command(cmd::kSnap);
  client.Command(InsertCommand(DeviceType::VCO));
  Move({300, 200});
  client.Command(InsertCommand(DeviceType::LFO));  // while the VCO still follows
  NTDevWin& vco = *client.Devices().at(2);
  EXPECT_EQ(vco.AbsPos(), (Point{300, 200}));
  Move({500, 100});
  Click({500, 100});
  EXPECT_EQ(Last().AbsPos(), (Point{500, 100}));
  EXPECT_EQ(client.Interaction(), InteractionMode::Idle);
  ExpectNothingStray();
  EXPECT_EQ(Pixel(300, 200), Rgb(255, 255, 255));  // the VCO's corner
  client.Mouse(MouseKind::LDown, {20, 15});        // the Input's title, not a hidden VCO
  EXPECT_EQ(client.Captured(), &Input());
  client.Mouse(MouseKind::LUp, {20, 15});
}

TEST_F(PendingTest, AnInsertDuringAPendingConnectionDropsTheConnection) {
  Click(InputL());
  Move({300, 300});
  client.Command(InsertCommand(DeviceType::VCO));
  EXPECT_EQ(client.Interaction(), InteractionMode::Moving);
  Move({400, 100});
  Click({400, 100});
  EXPECT_EQ(Last().AbsPos(), (Point{400, 100}));
  ExpectNothingStray();
}

// Where a panel that follows the pointer lands, by how it is put down.
enum class PutDown { Click, Escape, RightClick, SecondInsert };
struct Placing {
  const char* what;
  Point pointer;
  PutDown how;
  Point lands;
};
const Placing kPlacings[] = {
    {"inside by a click", {300, 200}, PutDown::Click, {300, 200}},
    {"inside by Escape", {300, 200}, PutDown::Escape, {300, 200}},
    {"inside by a right click", {300, 200}, PutDown::RightClick, {300, 200}},
    {"on the menu bar", {300, -20}, PutDown::Click, {300, 0}},
    {"menu bar, Escape", {300, -20}, PutDown::Escape, {300, 0}},
    {"menu bar, second insert", {300, -20}, PutDown::SecondInsert, {300, 0}},
    {"left of the window", {-50, 100}, PutDown::Click, {0, 100}},
    {"below and right", {900, 700}, PutDown::Click, {800 - kVcoW, 600 - kVcoH}},
    {"right edge, pointer inside", {750, 100}, PutDown::Click, {750, 100}},
};

class PlacingTest : public PendingTest, public ::testing::WithParamInterface<Placing> {};

TEST_P(PlacingTest, ANewPanelLandsInsideTheVisibleCanvas) {
  const Placing& c = GetParam();
  client.Command(cmd::kSnap);
  client.Command(InsertCommand(DeviceType::VCO));
  NTDevWin& vco = Last();
  Move(c.pointer);
  switch (c.how) {
    case PutDown::Click:
      Click(c.pointer);
      break;
    case PutDown::Escape:
      client.Escape();
      break;
    case PutDown::RightClick:
      RightClick(c.pointer);
      break;
    case PutDown::SecondInsert:
      client.Command(InsertCommand(DeviceType::LFO));
      client.Escape();
      break;
  }
  EXPECT_EQ(vco.AbsPos(), c.lands);
  EXPECT_EQ(client.Interaction(), InteractionMode::Idle);
  EXPECT_TRUE(shell.popups.empty());  // the right release opens no menu on the placed panel
  ExpectNothingStray();
}

INSTANTIATE_TEST_SUITE_P(Canvas, PlacingTest, ::testing::ValuesIn(kPlacings));

TEST_F(PendingTest, ADragReleasedOutsideTheWindowKeepsThePanelVisible) {
  client.Command(cmd::kSnap);
  Drag({110, 15}, {850, 300});  // the Output, grabbed at (10, 5)
  EXPECT_EQ(Output().AbsPos(), (Point{800 - 80, 295}));
  Drag({730, 300}, {400, -40});
  EXPECT_EQ(Output().AbsPos(), (Point{390, 0}));
  ExpectNothingStray();
}
}  // namespace
