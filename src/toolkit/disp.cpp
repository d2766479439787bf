#include "toolkit/disp.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "platform/art.h"
#include "platform/signal_units.h"
#include "toolkit/bitmap_cache.h"

namespace {
constexpr std::string_view kGlyphs = "0123456789+-. ?okmus";
constexpr int kUnknown = 14;  // the question mark
constexpr int kGlyphW = 4, kGlyphH = 7, kAdvance = 5;

constexpr std::array<const char*, 20> kTimeBases = {
    "10s", "5.0s", "2.0s", "1.0s",  "500ms", "200ms", "100ms", "50ms", "20ms", "10ms",
    "5ms", "2ms",  "1ms",  "680us", "500us", "200us", "100us", "50us", "20us", "10us"};
constexpr int32_t kFirstTimeBase = -13;  // the value that shows entry 0

template <class... Args>
std::string Printf(const char* format, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// The frequency of a pitch position in thousandths of a hertz, truncated; far-off positions
// (only from a damaged file) saturate instead of overflowing.
int32_t MilliHertz(int32_t pitch, long double base) {
  const long double m =
      std::pow(2.0L, pitch / static_cast<long double>(kPitchStepsPerOctave)) * base * 1000;
  constexpr long double kLargest = std::numeric_limits<int32_t>::max();
  if (!std::isfinite(m) || m >= kLargest) return std::numeric_limits<int32_t>::max();
  return int32_t(m);
}

std::string FrequencyText(int32_t pitch, long double base) {
  const int32_t m = MilliHertz(pitch, base);
  if (m >= 1000000) return Printf("%5d", m / 1000);
  if (m >= 100000) return Printf("%3d.%1d", m / 1000, (m % 1000) / 100);
  if (m < 10000) return Printf("%1d.%03d", m / 1000, m % 1000);
  return Printf("%2d.%02d", m / 1000, (m % 1000) / 10);
}

std::string TimeBaseText(int32_t v) {
  // The slider that feeds this display keeps it in range; a damaged file need not.
  if (v < kFirstTimeBase || v >= kFirstTimeBase + int32_t(kTimeBases.size())) return "?????";
  return Printf("%5s", kTimeBases[size_t(v - kFirstTimeBase)]);
}

int GlyphIndex(char c) {
  const size_t i = kGlyphs.find(c);
  return i == std::string_view::npos ? kUnknown : int(i);
}
}  // namespace

NTDisp::NTDisp(TWindowOwner* owner, NTWin* parent, DisplayKind kind, const char* name)
    : NTBmpWin(owner, parent, bmp::kDisplayField, 0), Kind(kind), Label(owner, this, name) {
  Owner->Bitmaps().Acquire(bmp::kDisplayFont);
}

NTDisp::~NTDisp() {
  Owner->Bitmaps().Release(bmp::kDisplayFont);
}

std::string NTDisp::Format(DisplayKind kind, int32_t v) {
  switch (kind) {
    case DisplayKind::LevelDecibel:
      if (v == 0) return " -oo ";
      return Printf("%+5.1f", double(int64_t(v) - kUnityLevel) * 0.1);
    case DisplayKind::Frequency:
      return FrequencyText(v, kPitchBaseHz);
    case DisplayKind::LowFrequency:
      return FrequencyText(v, 0.0537109375L);
    case DisplayKind::Thousandths:
      return Printf("%1d.%03d", v / 1000, v % 1000);
    case DisplayKind::Tenths:
      return Printf("%3d.%1d", v / 10, v % 10);
    case DisplayKind::Decibel:
      return Printf("%+5.1f", v * 0.1);
    case DisplayKind::Divisions:
      return Printf("%+5.2f", v / 30.0);
    case DisplayKind::TriggerPosition:
      return Printf("%+5.1f", v / 30.0);
    case DisplayKind::TimeBase:
      return TimeBaseText(v);
    case DisplayKind::Channel:
      return v == 0 ? "  ---" : Printf("%5d", v);
    case DisplayKind::Semitones:
      return Printf("%+5d", v);
    default:
      return {};
  }
}

void NTDisp::Paint(Dc& dc) {
  NTBmpWin::Paint(dc);
  ShowValue(dc);
}

void NTDisp::ShowValue(Dc& dc) {
  const Surface& font = Owner->Bitmaps().Get(bmp::kDisplayFont);
  Point at = AbsPos();
  at.x += 2;
  at.y += 3;
  for (char c : Format(Kind, Value)) {
    dc.Blt(at.x, at.y, kGlyphW, kGlyphH, font, kGlyphW * GlyphIndex(c), 0);
    at.x += kAdvance;
  }
}

void NTDisp::Show(int32_t v) {
  SetValue(v);
  TClientDC dc(*Owner);
  ShowValue(*dc);
}

void NTDisp::Read(ipstream& is) {
  Value = is.ReadWord();
}
void NTDisp::Write(opstream& os) {
  os.WriteWord(Value);
}
