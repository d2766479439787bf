#pragma once
#include <gtest/gtest.h>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/io.h"
#include "devices/registry.h"

// A started canvas without audio: Input at (10, 10), Output at (100, 10), everything painted.
class CanvasTest : public ::testing::Test {
 protected:
  CanvasTest() {
    client.Resize(800, 600);
    client.Setup();
    client.PaintPending();
  }

  NTInput& Input(int i = 0) { return *dynamic_cast<NTInput*>(client.Devices().at(size_t(i))); }
  NTOutput& Output(int i = 1) { return *dynamic_cast<NTOutput*>(client.Devices().at(size_t(i))); }

  static Point Centre(const NTWin& w) {
    const Point p = w.AbsPos();
    return {p.x + 8, p.y + 8};
  }
  void Click(Point p) {
    client.Mouse(MouseKind::LDown, p);
    client.Mouse(MouseKind::LUp, p);
  }
  void Connect(const NTWin& a, const NTWin& b) {
    Click(Centre(a));
    Click(Centre(b));
  }
  void Drag(Point from, Point to) {
    client.Mouse(MouseKind::LDown, from);
    client.Mouse(MouseKind::Move, to);
    client.Mouse(MouseKind::LUp, to);
  }
  Color Pixel(int x, int y) { return client.Pixels().Pixel(x, y); }
  // True when some pixel of column x between rows y0 and y1 (inclusive) has colour c.
  bool ColumnHas(int x, int y0, int y1, Color c) {
    for (int y = y0; y <= y1; ++y)
      if (Pixel(x, y) == c) return true;
    return false;
  }

  HeadlessShell shell;
  TMainClient client{shell, nullptr};
};
