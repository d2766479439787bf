// Drawing of the oscilloscope's screen (window thread).
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "devices/osci.h"
#include "platform/art.h"
#include "toolkit/bitmap_cache.h"

namespace {

// Screen geometry relative to the panel.
constexpr Point kScreenAt{10, 22};
constexpr int kScreenW = 321, kScreenH = 261;
constexpr Point kTraceOrigin{20, 152};  // column 0 on the centre line
constexpr int kZeroLineEnd = 321;       // not drawn
constexpr int kZeroLineReach = 120;     // zero lines further off the centre are not drawn
constexpr int kTraceReach = 121;        // traces are clamped this far off the centre

// Markers: level at the right edge, trigger position at the top.
constexpr int kLevelMarkerX = 321, kLevelTopY = 26, kLevelBottomY = 271, kLevelCentreY = 148;
constexpr int kLevelReach = 120;
constexpr Point kTriggerLeftAt{14, 23};
constexpr Point kTriggerDownAt{16, 24};  // plus the trigger position

// The markers lie in the graticule bitmap's bottom rows, channel k's at 26·k.
constexpr int kMarkerRow = kScreenH, kMarkerDx = 26;
struct Marker {
  int dx, w, h;
};
constexpr Marker kLeftArrow{0, 8, 9}, kUpArrow{8, 9, 8}, kDownArrow{17, 9, 8};

constexpr Color kTraceColors[osci::kChannels] = {Rgb(0, 255, 0), Rgb(255, 0, 255), Rgb(255, 0, 0),
                                                 Rgb(0, 255, 255)};

Color ThreeQuarters(Color c) {
  return Rgb(RedOf(c) * 3 / 4, GreenOf(c) * 3 / 4, BlueOf(c) * 3 / 4);
}

// Pixels per recorded column, in ten-thousandths: time bases 1..6 recorded one frame per column
// like 0, and are stretched to their own scale here.
constexpr int32_t kWholeColumn = 10000;
constexpr int32_t kStretched[osci::kMaxTimeBase] = {7350, 2940, 1470, 735, 294, 147};

int32_t ColumnAdvance(int32_t timeBase) {
  if (timeBase <= 0) return kWholeColumn;
  return kStretched[std::min(timeBase, osci::kMaxTimeBase) - 1];
}

int32_t OnScreen(int64_t y) {
  return int32_t(std::clamp<int64_t>(y, -kTraceReach, kTraceReach));
}

}  // namespace

void NTOsci::PaintScreen(Dc& dc) {
  const Point panel = AbsPos();
  const TBitmapCache& bitmaps = Owner->Bitmaps();
  const int x = panel.x + kScreenAt.x, y = panel.y + kScreenAt.y;
  dc.Blt(x, y, kScreenW, kScreenH, bitmaps.Get(bmp::kScopeScreen), 0, 0, Rop::And);
  dc.Blt(x, y, kScreenW, kScreenH, bitmaps.Get(bmp::kScopeGraticule), 0, 0, Rop::Or);

  const Point origin{panel.x + kTraceOrigin.x, panel.y + kTraceOrigin.y};
  const int32_t advance = ColumnAdvance(Setting(TimeBase));
  for (int ch = 0; ch < osci::kChannels; ++ch) {
    if (On[ch].State != 1) continue;
    const int32_t pos = Setting(Pos[ch]);
    if (std::abs(pos) <= kZeroLineReach)
      dc.Line(origin.x, origin.y - pos, panel.x + kZeroLineEnd, origin.y - pos,
              ThreeQuarters(kTraceColors[ch]));
    if (hasRecording_) PaintTrace(dc, origin, ch, pos, advance);
  }
  PaintMarkers(dc, panel);
}

// Each column is a step from the previous column's first value to its own, and a vertical
// stroke over the range it covered.
void NTOsci::PaintTrace(Dc& dc, Point origin, int ch, int32_t pos, int32_t advance) {
  const osci::TTrace& trace = display_[ch];
  dc.SetPen(kTraceColors[ch]);
  int entry = 0;
  int32_t accumulator = 0;
  int32_t previous = 0;
  for (int i = 0; i < osci::kColumns; ++i) {
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
    if (accumulator >= kWholeColumn) {
      accumulator -= kWholeColumn;
      ++entry;
    }
  }
}

void NTOsci::PaintMarkers(Dc& dc, Point panel) {
  const Surface& art = Owner->Bitmaps().Get(bmp::kScopeGraticule);
  const auto copy = [&](int ch, const Marker& m, int x, int y) {
    dc.Blt(panel.x + x, panel.y + y, m.w, m.h, art, kMarkerDx * ch + m.dx, kMarkerRow);
  };
  const int s = trigger_;
  const int32_t level = Setting(Pos[s]) + Setting(Level);
  if (level > kLevelReach)
    copy(s, kUpArrow, kLevelMarkerX, kLevelTopY);
  else if (level < -kLevelReach)
    copy(s, kDownArrow, kLevelMarkerX, kLevelBottomY);
  else
    copy(s, kLeftArrow, kLevelMarkerX, kLevelCentreY - level);

  const int32_t p = Setting(TriggerPos);
  if (p < 0)
    copy(0, kLeftArrow, kTriggerLeftAt.x, kTriggerLeftAt.y);
  else
    copy(0, kDownArrow, kTriggerDownAt.x + p, kTriggerDownAt.y);
}
