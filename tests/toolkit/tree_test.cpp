#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/test_canvas.h"
#include "toolkit/frame.h"
#include "toolkit/statics.h"

namespace {

std::vector<NTWin*> Children(const NTWin& w) {
  std::vector<NTWin*> list;
  for (NTWin* c = w.FirstChild; c; c = c->Next) list.push_back(c);
  return list;
}

// A window that takes left clicks inside itself and remembers them.
struct Probe : NTWin {
  // r in absolute coordinates.
  Probe(TestCanvas& canvas, NTWin* parent, Rect r) : NTWin(&canvas, parent) {
    const Point base = parent->AbsPos();
    MoveTo({r.left - base.x, r.top - base.y});
    W = r.right - r.left;
    H = r.bottom - r.top;
  }
  int LButtonDown(Point pt) override {
    if (!Contains(pt)) return 0;
    ++clicks;
    return 1;
  }
  int clicks = 0;
};

TEST(WindowTree, NumbersFollowThePreOrderNotTheOrderOfCreation) {
  TestCanvas canvas;
  NTWin a(&canvas, &canvas.root);
  NTWin b(&canvas, &canvas.root);
  NTWin a1(&canvas, &a);
  NTWin a2(&canvas, &a);
  const TWindowNumbers numbers(&canvas.root);
  EXPECT_EQ(numbers.NumberOf(&canvas.root), 1);
  EXPECT_EQ(numbers.NumberOf(&a), 2);
  EXPECT_EQ(numbers.NumberOf(&a1), 3);
  EXPECT_EQ(numbers.NumberOf(&a2), 4);
  EXPECT_EQ(numbers.NumberOf(&b), 5);
  EXPECT_EQ(numbers.WindowOf(4), &a2);
  EXPECT_EQ(numbers.WindowOf(6), nullptr);
  EXPECT_EQ(numbers.WindowOf(0), nullptr);
  NTWin stranger(&canvas, nullptr);
  EXPECT_EQ(numbers.NumberOf(&stranger), 0);
}

// Two overlapping panels, the later one drawn on top, each with overlapping controls: a click
// reaches what is drawn at its point — the later sibling before the earlier, a child before its
// parent — and nothing hidden under a panel, not even where the panel itself takes nothing.
TEST(WindowTree, ClicksReachTheTopmostWindowDrawnAtThePoint) {
  TestCanvas canvas;
  Probe lower(canvas, &canvas.root, {0, 0, 200, 200});
  Probe lowerKey(canvas, &lower, {150, 150, 190, 190});
  Probe upper(canvas, &canvas.root, {100, 100, 300, 300});
  upper.Opaque = true;
  Probe first(canvas, &upper, {110, 110, 160, 160});
  Probe second(canvas, &upper, {130, 130, 180, 180});
  Probe lowerOpen(canvas, &lower, {10, 10, 40, 40});
  const struct {
    Point at;
    const Probe* expected;
  } cases[] = {
      {{115, 115}, &first},   // only the earlier control
      {{140, 140}, &second},  // both controls: the later one lies on top
      {{170, 170}, &second},  // the later control over lowerKey under the upper panel
      {{185, 185}, &upper},   // the upper panel over lowerKey
      {{250, 250}, &upper},   {{50, 50}, &lower},    {{195, 50}, &lower},
      {{20, 20}, &lowerOpen}, {{500, 500}, nullptr},
  };
  const Probe* all[] = {&lower, &lowerKey, &upper, &first, &second, &lowerOpen};
  for (const auto& c : cases) {
    std::vector<int> before;
    for (const Probe* p : all) before.push_back(p->clicks);
    EXPECT_EQ(canvas.Mouse(MouseKind::LDown, c.at), c.expected ? 1 : 0);
    for (size_t i = 0; i < std::size(all); ++i)
      EXPECT_EQ(all[i]->clicks - before[i], all[i] == c.expected ? 1 : 0)
          << "click at " << c.at.x << ", " << c.at.y << " probe " << i;
  }
  EXPECT_EQ(canvas.Mouse(MouseKind::Other, {140, 140}), 0);
}

// A panel that takes nothing at the point still hides the windows beneath it; a plain window
// (a label, a composite control's frame) lets the click through.
TEST(WindowTree, OnlyPanelsHideWhatLiesBeneathThemFromTheMouse) {
  for (const bool opaque : {false, true}) {
    TestCanvas canvas;
    Probe lower(canvas, &canvas.root, {0, 0, 100, 100});
    NTWin cover(&canvas, &canvas.root);
    cover.W = cover.H = 100;
    cover.Opaque = opaque;
    EXPECT_EQ(canvas.Mouse(MouseKind::LDown, {50, 50}), opaque ? 0 : 1);
    EXPECT_EQ(lower.clicks, opaque ? 0 : 1);
  }
}

TEST(WindowTree, DestroyingAWindowUnlinksIt) {
  TestCanvas canvas;
  auto first = std::make_unique<NTWin>(&canvas, &canvas.root);
  auto middle = std::make_unique<NTWin>(&canvas, &canvas.root);
  NTWin last(&canvas, &canvas.root);
  NTWin* firstPtr = first.get();
  middle.reset();
  EXPECT_EQ(Children(canvas.root), (std::vector<NTWin*>{firstPtr, &last}));
  first.reset();
  EXPECT_EQ(Children(canvas.root), (std::vector<NTWin*>{&last}));
  NTWin added(&canvas, &canvas.root);
  EXPECT_EQ(Children(canvas.root), (std::vector<NTWin*>{&last, &added}));
}

TEST(WindowTree, AWindowWithoutParentStandsAlone) {
  TestCanvas canvas;
  NTWin device(&canvas, &canvas.root);
  {
    NTWin lone(&canvas, nullptr);
    lone.MoveTo({7, 9});
    EXPECT_EQ(lone.AbsPos(), (Point{7, 9}));
    EXPECT_EQ(Children(canvas.root), (std::vector<NTWin*>{&device}));
  }
  EXPECT_EQ(Children(canvas.root), (std::vector<NTWin*>{&device}));
}

TEST(WindowTree, ChildrenAreReadBeforeTheirParent) {
  struct Logger : NTWin {
    Logger(TestCanvas& c, NTWin* parent, int id, std::vector<int>& log)
        : NTWin(&c, parent), id(id), log(log) {}
    void Read(ipstream&) override { log.push_back(id); }
    void Write(opstream&) override { log.push_back(id); }
    int id;
    std::vector<int>& log;
  };
  TestCanvas canvas;
  std::vector<int> log;
  Logger device(canvas, &canvas.root, 1, log);
  Logger control(canvas, &device, 2, log);
  Logger part(canvas, &control, 3, log);
  Logger display(canvas, &device, 4, log);
  opstream os;
  WriteWalk(&device, os);
  ipstream is(os.Bytes());
  ReadWalk(&device, is);
  EXPECT_EQ(log, (std::vector<int>{3, 2, 4, 1, 3, 2, 4, 1}));
}

TEST(Frame, ShadesFromTheTopLeftCorner) {
  EXPECT_EQ(NTFrameWin::ShadeAt(0, 0), Rgb(200, 180, 170));
  EXPECT_EQ(NTFrameWin::ShadeAt(115, 220), Rgb(157, 137, 127));
  EXPECT_EQ(NTFrameWin::ShadeAt(1000, 1000), Rgb(100, 80, 70));  // never darker

  TestCanvas canvas;
  NTFrameWin frame(&canvas, &canvas.root, 121, 224, nullptr);
  frame.MoveTo({30, 40});
  frame.Paint(*TClientDC(canvas));
  EXPECT_EQ(canvas.pixels.Pixel(32, 42), Rgb(200, 180, 170));
  EXPECT_EQ(canvas.pixels.Pixel(30 + 117, 40 + 221), Rgb(157, 137, 127));
  EXPECT_EQ(canvas.pixels.Pixel(30, 40), Rgb(255, 255, 255));
  EXPECT_EQ(canvas.pixels.Pixel(30 + 120, 40 + 223), Rgb(0, 0, 0));
  EXPECT_EQ(canvas.pixels.Pixel(60, 40), Rgb(192, 192, 192));
  EXPECT_EQ(canvas.pixels.Pixel(30 + 120, 100), Rgb(64, 64, 64));
  EXPECT_EQ(canvas.pixels.Pixel(30 + 121, 100), Rgb(0, 0, 0));  // nothing outside
}

TEST(Scale, TicksStepDownItsLength) {
  TestCanvas canvas;
  NTWin device(&canvas, &canvas.root);
  device.MoveTo({100, 20});
  NTStaticScala scale(&canvas, &device, {50, 10}, 165, 15, 20, -10);
  scale.Paint(*TClientDC(canvas));
  const Color tick = Rgb(64, 64, 64);
  int ticks = 0;
  for (int y = 0; y < 200; ++y) {
    if (canvas.pixels.Pixel(148, y) != tick) continue;
    ++ticks;
    EXPECT_EQ((y - 30) % 15, 0) << y;
    EXPECT_EQ(canvas.pixels.Pixel(149, y), tick);
    EXPECT_EQ(canvas.pixels.Pixel(147, y), tick);
    EXPECT_NE(canvas.pixels.Pixel(146, y), tick);  // the line's end point
    EXPECT_NE(canvas.pixels.Pixel(150, y), tick);  // the scale's own column stays clear
  }
  EXPECT_EQ(ticks, 12);
}

}  // namespace
