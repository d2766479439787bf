#include "devices/io.h"

#include "devices/panel.h"
#include "platform/art.h"

namespace {
constexpr int kPanelW = 80, kPanelH = 110;
constexpr Point kInArrow{10, 45}, kInL{48, 32}, kInR{48, 72};
constexpr Point kOutArrow{41, 45}, kOutL{16, 32}, kOutR{16, 72};
}  // namespace

NTInput::NTInput(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Input"),
      Arrow(canvas, this, bmp::kIoArrow, bmp::kIoArrowMask),
      L(canvas, this, bmp::kJackWhite, "L"),
      R(canvas, this, bmp::kJackRed, "R"),
      io_(canvas->Io()) {
  RecordOrder(*this, Arrow, L, R);
  Arrow.MoveTo(kInArrow);
  L.MoveTo(kInL);
  R.MoveTo(kInR);
}

void NTInput::Compute() noexcept {
  // Inputs are sign-extended 16-bit samples: doubling cannot overflow.
  L.Value = 2 * io_.InL;
  R.Value = 2 * io_.InR;
}

NTOutput::NTOutput(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "Output"),
      Arrow(canvas, this, bmp::kIoArrow, bmp::kIoArrowMask),
      L(canvas, this, bmp::kJackWhite, "L"),
      R(canvas, this, bmp::kJackRed, "R"),
      io_(canvas->Io()) {
  RecordOrder(*this, Arrow, L, R);
  Arrow.MoveTo(kOutArrow);
  L.MoveTo(kOutL);
  R.MoveTo(kOutR);
}

void NTOutput::Latch() noexcept {
  // An unconnected input leaves its channel as the earlier Outputs of the list wrote it.
  if (const NTPlugOut* s = L.Source) io_.OutL = ToSample(s->Value);
  if (const NTPlugOut* s = R.Source) io_.OutR = ToSample(s->Value);
}
