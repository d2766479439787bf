// The parts of a value slider: the step buttons, the knob and the track it runs in.
#include "platform/art_paint.h"
#include "platform/art_parts.h"

namespace art {
namespace {

// The track's plate is a shade darker than the raised faces so that the knob stands out on it.
constexpr Color kPlate = Rgb(168, 168, 168);
constexpr int kSlotLeft = 6, kSlotWidth = 4;

// One row of the slot: a shadowed left lip, the black groove, a lit right lip.
void SlotRow(Surface& s, int y) {
  s.SetPixel(kSlotLeft, y, kEdge);
  for (int x = kSlotLeft + 1; x < kSlotLeft + kSlotWidth - 1; ++x) s.SetPixel(x, y, kBlack);
  s.SetPixel(kSlotLeft + kSlotWidth - 1, y, kHighlight);
}

}  // namespace

Surface MakeArrowButton(bool up) {
  Surface s(16, 12);
  RaisedFace(s, 0, 0, 16, 12);
  // A triangle of 5 rows centred on the face inside its bevel.
  constexpr int kCentreX = 7, kTop = 3, kRows = 5;
  for (int k = 0; k < kRows; ++k) {
    const int half = up ? k : kRows - 1 - k;
    Fill(s, kCentreX - half, kTop + k, 2 * half + 1, 1, kBlack);
  }
  return s;
}

Surface MakeKnob() {
  Surface s(16, 20);
  RaisedFace(s, 0, 0, 16, 20);
  // Five grooves; the middle one is black and marks the knob's reading line.
  for (int i = 0; i < 5; ++i) {
    const int y = 3 + 3 * i;
    Fill(s, 3, y, 10, 1, i == 2 ? kBlack : kShadow);
    Fill(s, 3, y + 1, 10, 1, kHighlight);
  }
  return s;
}

Surface MakeTrack() {
  Surface s(16, 120, kPlate);
  // Rows 0..115 are the track's top end and run, 116..119 the cap that closes its bottom end.
  constexpr int kTopLip = 3, kBottomLip = 116;
  Fill(s, kSlotLeft, kTopLip, kSlotWidth, 1, kEdge);
  for (int y = kTopLip + 1; y < kBottomLip; ++y) SlotRow(s, y);
  Fill(s, kSlotLeft, kBottomLip, kSlotWidth, 1, kHighlight);
  s.SetPixel(kSlotLeft, kBottomLip, kEdge);
  return s;
}

}  // namespace art
