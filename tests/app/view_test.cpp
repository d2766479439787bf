// The canvas's view: the window-to-canvas mapping at every zoom step, what a drop does at the
// edges of a scrolled and zoomed window, clicks on overlapping panels, and zooming back.
#include <gtest/gtest.h>

#include "app/commands.h"
#include "canvas_fixture.h"
#include "devices/vco.h"

namespace {
constexpr int kVcoW = 121, kVcoH = 224;  // the window is 800 x 600

TEST(View, ScreenToCanvasToScreenComesBackAtEveryZoomStep) {
  for (const int zoom : TView::kSteps)
    for (const Point origin : {Point{0, 0}, Point{-37, 501}}) {
      TView view{zoom, origin, 800, 600};
      for (int s = -450; s < 450; ++s) {
        const Point c = view.ToCanvas({s, -s});
        // Every screen pixel acts on a canvas pixel that it shows and that shows at it.
        EXPECT_EQ(view.ToCanvas(view.ToScreen(c)), c) << zoom << " " << s;
        if (zoom <= 100) {
          EXPECT_EQ(view.ToScreen(c), (Point{s, -s})) << zoom << " " << s;
        }
        // Canvas pixels never swap places on the screen.
        EXPECT_LE(view.ToCanvas({s - 1, 0}).x, c.x);
      }
      EXPECT_TRUE(view.Stored().Intersect(view.Visible()) == view.Visible()) << zoom;
      EXPECT_TRUE(view.Stored().Contains(view.ToCanvas({799, 599}))) << zoom;
    }
}

TEST(View, ScalesSmoothlyBelowAndInSquaresAbove) {
  Surface store(4, 2);
  store.SetPixel(0, 0, Rgb(200, 100, 0));
  store.SetPixel(1, 0, Rgb(0, 100, 200));
  Surface out(4, 2, Rgb(1, 2, 3));
  TView{50, {}, 2, 1}.Show(store, {0, 0, 2, 1}, out);
  EXPECT_EQ(out.Pixel(0, 0), Rgb(50, 50, 50));  // the mean of a 2 x 2 block
  TView{200, {}, 4, 2}.Show(store, {0, 0, 4, 2}, out);
  EXPECT_EQ(out.Pixel(1, 1), Rgb(200, 100, 0));
  EXPECT_EQ(out.Pixel(2, 1), Rgb(0, 100, 200));
}

class ViewTest : public CanvasTest {
 protected:
  Point Screen(Point canvas) { return client.View().ToScreen(canvas); }
  void Mouse(MouseKind kind, Point canvas) { client.Mouse(kind, Screen(canvas)); }
  // The Output far right and down, so that the canvas scrolls; no snapping to it.
  void WidenCanvas() {
    client.SnapOn = 0;
    Drag({110, 15}, {700, 15});
    Output().MoveTo({3000, 2000});
  }
};

// A new VCO dropped with the pointer at a window point: inside the window it lands under the
// pointer, outside it lands whole in view beside where the pointer is; never off the canvas.
TEST_F(ViewTest, DropsLandInViewAtEveryEdgeZoomAndScrollPosition) {
  WidenCanvas();
  const Point pointers[] = {{400, 300}, {-60, 300}, {870, 300}, {400, -25}, {400, 640},
                            {-60, -60}, {900, 700}, {795, 595}, {0, 0}};
  for (const int zoom : {50, 100, 200})
    for (const Point origin : {Point{0, 0}, Point{900, 700}}) {
      client.ZoomTo(zoom, {0, 0});
      client.ScrollTo(origin);
      ASSERT_EQ(client.View().origin, origin) << zoom;
      const Rect visible = client.View().Visible();
      for (const Point p : pointers) {
        client.Command(InsertCommand(DeviceType::VCO));
        client.Mouse(MouseKind::Move, p);
        Click(p);
        const Point at = client.Devices().back()->AbsPos();
        const Point under = client.View().ToCanvas(p);
        const bool inside = p.x >= 0 && p.x < 800 && p.y >= 0 && p.y < 600;
        const auto expected = [&](int32_t c, int32_t lo, int32_t hi, int32_t size) {
          return inside ? std::max(c, 0) : std::clamp(c, lo, std::max(lo, hi - size));
        };
        EXPECT_EQ(at, (Point{expected(under.x, visible.left, visible.right, kVcoW),
                             expected(under.y, visible.top, visible.bottom, kVcoH)}))
            << zoom << " % from " << origin.x << "," << origin.y << " at " << p.x << "," << p.y;
        EXPECT_EQ(client.View().origin, origin);  // a drop does not move the view
        client.Command(cmd::kFileNew);
        WidenCanvas();
        client.ZoomTo(zoom, {0, 0});
        client.ScrollTo(origin);
      }
    }
}

// A VCO over the Input and the Output: its title, display and the Output's jack beneath it all
// act on the VCO, drawn last and so on top; where it lies nothing beneath gets the mouse.
TEST_F(ViewTest, ClicksOnOverlappingPanelsActOnThePanelDrawnOnTop) {
  client.Command(cmd::kSnap);
  client.Command(InsertCommand(DeviceType::VCO));
  client.Mouse(MouseKind::Move, {20, 5});
  Click({20, 5});
  auto& vco = dynamic_cast<NTVCO&>(*client.Devices().back());
  ASSERT_EQ(vco.AbsPos(), (Point{20, 5}));
  ASSERT_TRUE(vco.AbsRect().Contains(Centre(Output().L)));
  Click(Centre(Output().L));
  EXPECT_NE(client.PendingPlug(), &Output().L);
  client.Escape();
  const Point input = Input().AbsPos(), output = Output().AbsPos();
  Drag({30, 12}, {430, 312});  // the title strip, over the Input's
  EXPECT_EQ(vco.AbsPos(), (Point{420, 305}));
  EXPECT_EQ(Input().AbsPos(), input);
  EXPECT_EQ(Output().AbsPos(), output);
}

// Wiring, dragging and the popup menu work in window pixels at every zoom step and scroll
// position.
TEST_F(ViewTest, EveryMouseActionWorksAtEveryZoom) {
  WidenCanvas();
  for (const int zoom : TView::kSteps) {
    client.Command(cmd::kFileNew);
    client.ZoomTo(zoom, {0, 0});
    client.ScrollTo({5, 3});
    Mouse(MouseKind::LDown, Centre(Input().L));
    Mouse(MouseKind::LUp, Centre(Input().L));
    Mouse(MouseKind::LDown, Centre(Output().L));
    Mouse(MouseKind::LUp, Centre(Output().L));
    EXPECT_EQ(Output().L.Source.Get(), &Input().L) << zoom;
    const Point from = Screen({110, 15}), to{from.x + 100, from.y + 50};
    client.Mouse(MouseKind::LDown, from);
    client.Mouse(MouseKind::Move, to);
    client.Mouse(MouseKind::LUp, to);
    // The point grabbed on the panel stays under the pointer.
    const Point grab = client.View().ToCanvas(from), drop = client.View().ToCanvas(to);
    const Point moved = Output().AbsPos();
    EXPECT_EQ(moved, (Point{100 + drop.x - grab.x, 10 + drop.y - grab.y})) << zoom;
    shell.popups.clear();
    Mouse(MouseKind::RDown, {moved.x + 30, moved.y + 40});
    Mouse(MouseKind::RUp, {moved.x + 30, moved.y + 40});
    ASSERT_EQ(shell.popups.size(), 1u);
    EXPECT_EQ(shell.popups[0], Screen({moved.x + 30, moved.y + 40}));
    EXPECT_EQ(client.PopupDevice, &Output());
  }
}

TEST_F(ViewTest, ZoomingBackTo100RestoresThePicture) {
  const Surface before = client.Pixels();
  client.Command(cmd::kZoomIn);
  client.Command(cmd::kZoomIn);
  EXPECT_EQ(client.View().zoom, 150);
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - (Kein Titel) - 150 %");
  client.Wheel({500, 400}, -3, false, true);
  EXPECT_EQ(client.View().zoom, 75);
  client.Command(cmd::kZoomReset);
  client.PaintPending();
  EXPECT_EQ(client.View().origin, (Point{0, 0}));
  EXPECT_EQ(client.Pixels().Pixels(), before.Pixels());
  EXPECT_EQ(shell.caption, "Quarvin V1.01 - (Kein Titel)");
  EXPECT_FALSE(client.Modified());  // the view is no part of the patch
}

TEST_F(ViewTest, WheelScrollsAndZoomsAroundThePointer) {
  WidenCanvas();
  client.Wheel({100, 100}, -2, false, false);
  EXPECT_EQ(client.View().origin, (Point{0, 96}));
  client.Wheel({100, 100}, -1, true, false);
  EXPECT_EQ(client.View().origin, (Point{48, 96}));
  client.Wheel({100, 100}, 5, false, false);  // not above the canvas's top
  EXPECT_EQ(client.View().origin, (Point{48, 0}));
  client.ScrollTo({1000, 800});  // room on every side: zooming out need not stop at an edge
  const Point under = client.View().ToCanvas({333, 222});
  for (const int notches : {1, 1, 1, -4, -2}) client.Wheel({333, 222}, notches, false, true);
  EXPECT_EQ(client.View().zoom, 50);
  EXPECT_LE(std::abs(client.View().ToCanvas({333, 222}).x - under.x), 2);
  EXPECT_LE(std::abs(client.View().ToCanvas({333, 222}).y - under.y), 2);
}

TEST_F(ViewTest, FitAllShowsEveryPanel) {
  WidenCanvas();
  client.Command(cmd::kFitAll);
  const Rect visible = client.View().Visible();
  for (NTDevWin* d : client.Devices()) EXPECT_EQ(visible.Intersect(d->AbsRect()), d->AbsRect());
  EXPECT_LT(client.View().zoom, 100);
}

// A panel or a cable end carried to the window's edge scrolls the view on the timer, and the
// panel follows the pointer onto the canvas that comes into view.
TEST_F(ViewTest, CarryingToTheEdgeScrolls) {
  client.Mouse(MouseKind::LDown, {110, 15});
  client.Mouse(MouseKind::Move, {795, 300});
  for (int i = 0; i < 10; ++i) client.Timer();
  const Point origin = client.View().origin;
  EXPECT_GT(origin.x, 100);
  EXPECT_EQ(origin.y, 0);
  client.Mouse(MouseKind::LUp, {795, 300});
  EXPECT_EQ(Output().AbsPos(), (Point{origin.x + 785, 295}));
  client.Mouse(MouseKind::LDown, Screen(Centre(Output().L)));
  client.Mouse(MouseKind::LUp, Screen(Centre(Output().L)));
  client.Mouse(MouseKind::Move, {3, 300});
  client.Timer();
  EXPECT_LT(client.View().origin.x, origin.x);
  client.PointerLeft();  // out of the window, no button held: nothing scrolls any more
  const Point left = client.View().origin;
  client.Timer();
  EXPECT_EQ(client.View().origin, left);
}

// Past the canvas's top-left corner, or past the far edge that the file format keeps positions
// within, a panel stops at the edge.
TEST_F(ViewTest, APanelNeverLeavesTheCanvas) {
  client.SnapOn = 0;
  Drag({110, 15}, {3, 3});  // grabbed at (10, 5): its corner would go to (-7, -2)
  EXPECT_EQ(Output().AbsPos(), (Point{0, 0}));
  constexpr int32_t kFar = NTDevWin::kGeometryLimit;
  Output().MoveTo({kFar - 10, 50});  // as a file may place it
  client.ScrollTo({kFar, 0});
  EXPECT_EQ(client.View().Visible().right, kFar);
  const Point at = Screen({kFar - 5, 55});
  Drag(at, {at.x + 300, at.y});
  EXPECT_EQ(Output().AbsPos(), (Point{kFar - Output().W, 50}));
}
}  // namespace
