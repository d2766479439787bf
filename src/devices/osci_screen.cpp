// Drawing of the oscilloscope's screen (window thread).
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "devices/osci.h"
#include "platform/art.h"
#include "toolkit/bitmap_cache.h"

namespace {

// Screen geometry relative to the panel.
constexpr Point ScreenAt{10, 22};
constexpr int ScreenW = 321, ScreenH = 261;
constexpr Point TraceOrigin{20, 152};  // column 0 on the centre line
constexpr int ZeroLineEnd = 321;       // not drawn
constexpr int ZeroLineReach = 120;     // zero lines further off the centre are not drawn
constexpr int TraceReach = 121;        // traces are clamped this far off the centre

// Markers: level at the right edge, trigger position at the top.
constexpr int LevelMarkerX = 321, LevelTopY = 26, LevelBottomY = 271, LevelCentreY = 148;
constexpr int LevelReach = 120;
constexpr Point TriggerLeftAt{14, 23};
constexpr Point TriggerDownAt{16, 24};  // plus the trigger position

// The markers lie in the graticule bitmap's bottom rows, channel k's at 26·k.
constexpr int MarkerRow = ScreenH, MarkerDx = 26;
struct Marker {
  int dx, w, h;
};
constexpr Marker LeftArrow{0, 8, 9}, UpArrow{8, 9, 8}, DownArrow{17, 9, 8};

constexpr Color TraceColors[osci::Channels] = {Rgb(0, 255, 0), Rgb(255, 0, 255), Rgb(255, 0, 0),
                                               Rgb(0, 255, 255)};

Color ThreeQuarters(Color c) {
  return Rgb(RedOf(c) * 3 / 4, GreenOf(c) * 3 / 4, BlueOf(c) * 3 / 4);
}

// Pixels per recorded column, in ten-thousandths: time bases 1..6 recorded one frame per column
// like 0, and are stretched to their own scale here.
constexpr int32_t WholeColumn = 10000;
constexpr int32_t Stretched[osci::MaxTimeBase] = {7350, 2940, 1470, 735, 294, 147};

int32_t ColumnAdvance(int32_t timeBase) {
  if (timeBase <= 0) return WholeColumn;
  return Stretched[std::min(timeBase, osci::MaxTimeBase) - 1];
}

int32_t OnScreen(int64_t y) {
  return int32_t(std::clamp<int64_t>(y, -TraceReach, TraceReach));
}

}  // namespace

void NTOsci::PaintScreen(Dc& dc) {
  const Point panel = AbsPos();
  const TBitmapCache& bitmaps = Owner->Bitmaps();
  const int x = panel.x + ScreenAt.x, y = panel.y + ScreenAt.y;
  dc.Blt(x, y, ScreenW, ScreenH, bitmaps.Get(bmp::ScopeScreen), 0, 0, Rop::And);
  dc.Blt(x, y, ScreenW, ScreenH, bitmaps.Get(bmp::ScopeGraticule), 0, 0, Rop::Or);

  const Point origin{panel.x + TraceOrigin.x, panel.y + TraceOrigin.y};
  const int32_t advance = ColumnAdvance(Setting(TimeBase));
  for (int ch = 0; ch < osci::Channels; ++ch) {
    if (On[ch].State != 1) continue;
    const int32_t pos = Setting(Pos[ch]);
    if (std::abs(pos) <= ZeroLineReach)
      dc.Line(origin.x, origin.y - pos, panel.x + ZeroLineEnd, origin.y - pos,
              ThreeQuarters(TraceColors[ch]));
    if (hasRecording_) PaintTrace(dc, origin, ch, pos, advance);
  }
  PaintMarkers(dc, panel);
}

// Each column is a step from the previous column's first value to its own, and a vertical
// stroke over the range it covered.
void NTOsci::PaintTrace(Dc& dc, Point origin, int ch, int32_t pos, int32_t advance) {
  const osci::TTrace& trace = display_[ch];
  dc.SetPen(TraceColors[ch]);
  int entry = 0;
  int32_t accumulator = 0;
  int32_t previous = 0;
  for (int i = 0; i < osci::Columns; ++i) {
    const osci::TColumn& c = trace[entry];
    const int x = origin.x + i;
    const int32_t first = OnScreen(-(int64_t(c.First) + pos));
    if (i > 0) {
      dc.MoveTo(x - 1, origin.y + previous);
      dc.LineTo(x - 1, origin.y + first);
      dc.LineTo(x, origin.y + first);
    }
    previous = first;
    const int64_t lo = int64_t(c.Min) + pos, hi = int64_t(c.Max) + pos;
    if (lo != hi) {
      dc.MoveTo(x, origin.y - OnScreen(lo));
      dc.LineTo(x, origin.y - OnScreen(hi) - 1);
    }
    // Never more than one entry per pixel column, so the entry stays within the trace.
    accumulator += advance;
    if (accumulator >= WholeColumn) {
      accumulator -= WholeColumn;
      ++entry;
    }
  }
}

void NTOsci::PaintMarkers(Dc& dc, Point panel) {
  const Surface& art = Owner->Bitmaps().Get(bmp::ScopeGraticule);
  const auto copy = [&](int ch, const Marker& m, int x, int y) {
    dc.Blt(panel.x + x, panel.y + y, m.w, m.h, art, MarkerDx * ch + m.dx, MarkerRow);
  };
  const int s = trigger_;
  const int32_t level = Setting(Pos[s]) + Setting(Level);
  if (level > LevelReach)
    copy(s, UpArrow, LevelMarkerX, LevelTopY);
  else if (level < -LevelReach)
    copy(s, DownArrow, LevelMarkerX, LevelBottomY);
  else
    copy(s, LeftArrow, LevelMarkerX, LevelCentreY - level);

  const int32_t p = Setting(TriggerPos);
  if (p < 0)
    copy(0, LeftArrow, TriggerLeftAt.x, TriggerLeftAt.y);
  else
    copy(0, DownArrow, TriggerDownAt.x + p, TriggerDownAt.y);
}
