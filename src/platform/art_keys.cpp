// Key faces: each key's released face on the left, its pressed face (red, sunk in by one pixel)
// on the right, one key below the other.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string_view>
#include <vector>

#include "platform/art_paint.h"
#include "platform/art_parts.h"

namespace art {
namespace {

constexpr Color kOnGround = Rgb(204, 36, 28);
constexpr Color kOnDark = Rgb(96, 8, 4);
constexpr Color kOnShade = Rgb(156, 22, 16);
constexpr Color kOnLight = Rgb(255, 156, 140);
constexpr Color kOffInk = Rgb(24, 24, 24);
constexpr Color kOnInk = kWhite;

void DrawKey(Surface& s, int index, int w, int h, const Coverage& picture) {
  const int y = index * h;
  RaisedFace(s, 0, y, w, h);
  Paint(s, 0, y, picture, kOffInk);
  Fill(s, w, y, w, h, kOnGround);
  Frame(s, w + 1, y + 1, w - 2, h - 2, kOnShade, kOnGround);
  Frame(s, w, y, w, h, kOnDark, kOnLight);
  Paint(s, w + 1, y + 1, picture, kOnInk);
}

Surface DrawKeys(int w, int h, const std::vector<Coverage>& pictures) {
  Surface s(2 * w, h * int(pictures.size()));
  for (size_t i = 0; i < pictures.size(); ++i) DrawKey(s, int(i), w, h, pictures[i]);
  return s;
}

// Lettering for the small keys: proportional capitals and lower case, seven rows high.
struct Glyph {
  char c;
  std::array<std::string_view, 7> rows;
};

constexpr std::array<Glyph, 11> kLetters{{
    {'G', {".###", "#...", "#...", "#.##", "#..#", "#..#", ".###"}},
    {'N', {"#..#", "##.#", "##.#", "#.##", "#.##", "#..#", "#..#"}},
    {'D', {"###.", "#..#", "#..#", "#..#", "#..#", "#..#", "###."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'C', {".###", "#...", "#...", "#...", "#...", "#...", ".###"}},
    {'n', {"....", "....", "###.", "#..#", "#..#", "#..#", "#..#"}},
    {'h', {"#...", "#...", "###.", "#..#", "#..#", "#..#", "#..#"}},
    {'1', {".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'2', {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"}},
    {'3', {"###.", "...#", "...#", ".##.", "...#", "...#", "###."}},
    {'4', {"..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."}},
}};

const Glyph& LetterOf(char c) {
  return *std::find_if(kLetters.begin(), kLetters.end(), [c](const Glyph& g) { return g.c == c; });
}

int WidthOf(char c) {
  return int(LetterOf(c).rows[0].size());
}

// The text centred on a key face, one blank column between letters.
Coverage Lettering(int w, int h, std::string_view text) {
  int width = -1;
  for (char c : text) width += WidthOf(c) + 1;
  Coverage picture(w, h);
  int x = (w - width) / 2;
  for (char c : text) {
    Stamp(picture, x, (h - 7) / 2, LetterOf(c).rows);
    x += WidthOf(c) + 1;
  }
  return picture;
}

constexpr int kSmallW = 20, kSmallH = 13;
constexpr int kWaveW = 25, kWaveH = 17;

// Pictures on the wave keys span x 3.5..21.5; Plot maps t = 0..1 across and v = 0..1 upwards
// between the given bottom and top lines.
struct Plot {
  double bottom, top;
  PointF operator()(double t, double v) const {
    return {3.5 + 18.0 * t, bottom + (top - bottom) * v};
  }
};

Coverage Picture(const std::vector<PointF>& line) {
  Coverage picture(kWaveW, kWaveH);
  Stroke(picture, line);
  return picture;
}

// The LFO's waves stand above a base line, two pixels below their lowest point.
constexpr Plot kAboveBase{11.5, 3.5};

Coverage OnBaseLine(const std::vector<PointF>& line) {
  Coverage picture = Picture(line);
  const std::array<PointF, 2> base{{{3.5, 13.5}, {21.5, 13.5}}};
  Stroke(picture, base);
  return picture;
}

double Sine(double t) {
  return 0.5 + 0.5 * std::sin(2 * std::numbers::pi * t);
}

std::vector<PointF> SineLine(const Plot& plot) {
  return Curve([&](double t) { return plot(t, Sine(t)); });
}

// Rises from the middle to the top, falls to the bottom and returns: the sine's phase.
std::vector<PointF> TriangleLine(const Plot& p) {
  return {p(0, 0.5), p(0.25, 1), p(0.75, 0), p(1, 0.5)};
}

std::vector<PointF> RampLine(const Plot& p, bool rising) {
  const double from = rising ? 0 : 1, to = 1 - from;
  return {p(0, from), p(0.5, to), p(0.5, from), p(1, to), p(1, from)};
}

std::vector<PointF> SquareLine(const Plot& p) {
  return {p(0, 1), p(0.5, 1), p(0.5, 0), p(1, 0)};
}

// Response of a second-order section of the given kind at frequency f (relative to its
// centre), drawn from 0 dB at the top line down to -30 dB at the bottom line.
enum class Response { LowPass, HighPass, BandPass, BandStop };

double ResponseLevel(Response kind, double f) {
  const double q = (kind == Response::LowPass || kind == Response::HighPass) ? 0.9 : 1.2;
  const double denominator = std::hypot(1 - f * f, f / q);
  double gain = 1;
  switch (kind) {
    case Response::LowPass:
      gain = 1 / denominator;
      break;
    case Response::HighPass:
      gain = f * f / denominator;
      break;
    case Response::BandPass:
      gain = (f / q) / denominator;
      break;
    case Response::BandStop:
      gain = std::abs(1 - f * f) / denominator;
      break;
  }
  const double db = 20 * std::log10(std::max(gain, 1e-6));
  return std::clamp(1 + db / 30, 0.0, 1.0);
}

std::vector<PointF> ResponseLine(const Plot& plot, Response kind) {
  return Curve([&](double t) {
    const double f = std::pow(10.0, (t - 0.5) * 2.0);  // two decades around the centre
    return plot(t, ResponseLevel(kind, f));
  });
}

}  // namespace

Surface MakeKeysGnd() {
  return DrawKeys(kSmallW, kSmallH, {Lettering(kSmallW, kSmallH, "GND")});
}

Surface MakeKeysOn() {
  return DrawKeys(kSmallW, kSmallH, {Lettering(kSmallW, kSmallH, "On")});
}

Surface MakeKeysChannel() {
  std::vector<Coverage> keys;
  for (std::string_view name : {"Ch1", "Ch2", "Ch3", "Ch4"})
    keys.push_back(Lettering(kSmallW, kSmallH, name));
  return DrawKeys(kSmallW, kSmallH, keys);
}

Surface MakeKeysSlope() {
  Coverage plus(kSmallW, kSmallH), minus(kSmallW, kSmallH);
  Stamp(plus, 6, 3, {"...#...", "...#...", "...#...", "#######", "...#...", "...#...", "...#..."});
  Stamp(minus, 6, 3, {"", "", "", "#######"});
  return DrawKeys(kSmallW, kSmallH, {plus, minus});
}

Surface MakeKeysLfoWave() {
  const Plot& p = kAboveBase;
  return DrawKeys(
      kWaveW, kWaveH,
      {OnBaseLine(SineLine(p)), OnBaseLine(TriangleLine(p)), OnBaseLine(RampLine(p, true)),
       OnBaseLine(RampLine(p, false)), OnBaseLine(SquareLine(p))});
}

Surface MakeKeysVcoWave() {
  const Plot plot{12.5, 3.5};
  return DrawKeys(kWaveW, kWaveH,
                  {Picture(SineLine(plot)), Picture(TriangleLine(plot)),
                   Picture(RampLine(plot, true)), Picture(SquareLine(plot))});
}

Surface MakeKeysFilter() {
  const Plot plot{12.5, 4.0};
  std::vector<Coverage> keys;
  for (Response kind :
       {Response::LowPass, Response::HighPass, Response::BandPass, Response::BandStop})
    keys.push_back(Picture(ResponseLine(plot, kind)));
  return DrawKeys(kWaveW, kWaveH, keys);
}

}  // namespace art
