// The fully lit level bar: red above 0 dB, yellow below it, then green, in segments.
#include "platform/art_paint.h"
#include "platform/art_parts.h"

namespace art {
namespace {

constexpr int kWidth = 12, kHeight = 170, kSegments = 57, kPitch = 3;
constexpr int kRedSegments = 10, kYellowSegments = 8;

struct Lamp {
  Color bright, deep;
};

constexpr Lamp kRed{Rgb(255, 72, 56), Rgb(216, 16, 8)};
constexpr Lamp kYellow{Rgb(255, 240, 80), Rgb(224, 192, 0)};
constexpr Lamp kGreen{Rgb(96, 255, 96), Rgb(16, 196, 16)};

const Lamp& LampOf(int segment) {
  if (segment < kRedSegments) return kRed;
  if (segment < kRedSegments + kYellowSegments) return kYellow;
  return kGreen;
}

}  // namespace

Surface MakeVuBar() {
  Surface s(kWidth, kHeight, kBlack);
  // Each segment is a brighter row over a deeper one, with a black row beneath (the lowest
  // segment ends at the bar's bottom edge instead).
  for (int segment = 0; segment < kSegments; ++segment) {
    const Lamp& lamp = LampOf(segment);
    Fill(s, 0, kPitch * segment, kWidth, 1, lamp.bright);
    Fill(s, 0, kPitch * segment + 1, kWidth, 1, lamp.deep);
  }
  return s;
}

}  // namespace art
