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
  Probe(TestCanvas& canvas, NTWin* parent, Rect r) : NTWin(&canvas, parent) {
    MoveTo({r.left, r.top});
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

TEST(WindowTree, FirstCreatedOfOverlappingSiblingsGetsTheClickDeepestFirst) {
  TestCanvas canvas;
  Probe panel(canvas, &canvas.root, {0, 0, 200, 200});
  Probe under(canvas, &panel, {10, 10, 60, 60});
  Probe over(canvas, &panel, {30, 30, 80, 80});
  EXPECT_EQ(canvas.Mouse(MouseKind::LDown, {40, 40}), 1);
  EXPECT_EQ(under.clicks, 1);
  EXPECT_EQ(over.clicks, 0);
  EXPECT_EQ(panel.clicks, 0);
  canvas.Mouse(MouseKind::LDown, {70, 70});
  EXPECT_EQ(over.clicks, 1);
  canvas.Mouse(MouseKind::LDown, {150, 150});
  EXPECT_EQ(panel.clicks, 1);
  EXPECT_EQ(canvas.Mouse(MouseKind::LDown, {500, 500}), 0);
  EXPECT_EQ(canvas.Mouse(MouseKind::Other, {40, 40}), 0);
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
