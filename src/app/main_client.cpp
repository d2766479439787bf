#include "app/main_client.h"

#include <algorithm>
#include <cstdio>

#include "app/commands.h"
#include "devices/io.h"
#include "devices/registry.h"
#include "platform/denormals.h"

namespace {
constexpr int kTile = 40;
constexpr Point kStartInput{10, 10}, kStartOutput{100, 10};
}  // namespace

TMainClient::TMainClient(Shell& shell, WaveSystem* audio)
    : shell_(shell), audio_(audio), root_(this, nullptr) {}

TMainClient::~TMainClient() {
  Terminate();
  WaitForExit();
  DeleteAllDevices();
}

std::vector<NTDevWin*> TMainClient::Devices() {
  return devices_;
}

NTDevWin* TMainClient::CreateDevice(DeviceType type) {
  // A new device is always the root's last child; rebuilding the array instead would make a
  // file with thousands of devices load in quadratic time.
  NTDevWin* d = MakeDevice(type, this, &root_);
  if (d) devices_.push_back(d);
  return d;
}

void TMainClient::DeleteDevice(NTDevWin* device) {
  for (NTWin* w = captured_; w; w = w->Parent)
    if (w == device) {
      captured_ = nullptr;
      shell_.CaptureMouse(false);
      Interaction = ModeIdle;
      break;
    }
  if (PopupDevice == device) PopupDevice = nullptr;
  std::erase(devices_, device);
  delete device;
}

void TMainClient::DeleteAllDevices() {
  // Inputs may point at outputs deleted before them, but they are deleted themselves before
  // anything reads them again (the caller holds the lock or the audio thread has ended).
  deletingAll_ = true;
  while (root_.FirstChild) DeleteDevice(static_cast<NTDevWin*>(root_.FirstChild));
  deletingAll_ = false;
}

void TMainClient::ForgetWindow(NTWin* dying) {
  if (!deletingAll_) NTCanvas::ForgetWindow(dying);
}

void TMainClient::PlaceStartDevices() {
  CreateDevice(DeviceType::Input)->MoveTo(kStartInput);
  CreateDevice(DeviceType::Output)->MoveTo(kStartOutput);
}

void TMainClient::NewLocked() {
  DeleteAllDevices();
  PlaceStartDevices();
  InvalidateAll(true);
  FileName.clear();
  UpdateTitle();
}

void TMainClient::New() {
  TCriticalSection::Lock lock(Lock);
  NewLocked();
}

std::string TMainClient::TitleText() const {
  char text[512];
  std::snprintf(text, sizeof text, "%s - %s", Product,
                FileName.empty() ? "(Kein Titel)" : FileName.c_str());
  return text;
}

void TMainClient::UpdateTitle() {
  shell_.SetCaption(TitleText());
}

void TMainClient::SetMenuMarks() {
  shell_.CheckMenu(cmd::WiresVisible, WiresOn != 0);
  shell_.CheckMenu(cmd::WiresFront, WiresBehind == 0);
  shell_.CheckMenu(cmd::WiresBehind, WiresBehind == 1);
  shell_.CheckMenu(cmd::CurvesOff, CurvesOn == 0);
  shell_.CheckMenu(cmd::CurvesOn, CurvesOn == 1);
  shell_.CheckMenu(cmd::Snap, SnapOn != 0);
}

void TMainClient::SetOption(int32_t& option, int32_t value) {
  option = value;
  SetMenuMarks();
  InvalidateAll(true);
}

void TMainClient::Insert(DeviceType type) {
  NTDevWin* d;
  {
    TCriticalSection::Lock lock(Lock);
    d = CreateDevice(type);
  }
  if (d) d->BeginMove();
}

void TMainClient::Command(int id) {
  switch (id) {
    case cmd::FileNew:
      New();
      return;
    case cmd::FileOpen:
      Open();
      return;
    case cmd::FileSave:
      Save();
      return;
    case cmd::FileSaveAs:
      SaveAs();
      return;
    case cmd::WiresVisible:
      SetOption(WiresOn, !WiresOn);
      return;
    case cmd::WiresFront:
      SetOption(WiresBehind, 0);
      return;
    case cmd::WiresBehind:
      SetOption(WiresBehind, 1);
      return;
    case cmd::CurvesOff:
      SetOption(CurvesOn, 0);
      return;
    case cmd::CurvesOn:
      SetOption(CurvesOn, 1);
      return;
    case cmd::Snap:
      SnapOn = !SnapOn;
      SetMenuMarks();
      return;
    case cmd::DeleteDevice:
      if (PopupDevice) {
        {
          TCriticalSection::Lock lock(Lock);
          DeleteDevice(PopupDevice);
        }
        InvalidateAll(true);
        PopupDevice = nullptr;
      }
      return;
    default:
      if (const DeviceType type = InsertType(id); type != DeviceType::None) Insert(type);
  }
}

void TMainClient::Mouse(MouseKind kind, Point pt) {
  if (!captured_) {
    MouseDispatch(&root_, kind, pt);
    return;
  }
  switch (kind) {
    case MouseKind::LDown:
    case MouseKind::RDown:
      captured_->LButtonDown(pt);
      return;
    case MouseKind::LUp:
    case MouseKind::RUp:
      captured_->LButtonUp(pt);
      return;
    case MouseKind::Move:
      captured_->MouseMove(pt);
      return;
    case MouseKind::Other:
      return;
  }
}

void TMainClient::Timer() {
  TickWalk(&root_);
}

void TMainClient::Resize(int width, int height) {
  pixels_ = Surface(width, height);
  pending_ = {};
  InvalidateAll(true);
}

void TMainClient::SetCapture(NTWin* w) {
  captured_ = w;
  shell_.CaptureMouse(true);
}

void TMainClient::ReleaseCapture() {
  captured_ = nullptr;
  shell_.CaptureMouse(false);
}

Dc TMainClient::BeginClientDc() {
  return Dc(pixels_);
}

void TMainClient::EndClientDc(Dc& dc) {
  const Rect r = dc.Touched();
  if (!r.Empty()) shell_.ShowPixels(r);
}

void TMainClient::Invalidate(Rect r, bool erase) {
  r = r.Intersect(pixels_.Bounds());
  if (r.Empty()) return;
  pending_ = pending_.Union(r);
  pendingErase_ = pendingErase_ || erase;
  shell_.RequestPaint();
}

void TMainClient::InvalidateAll(bool erase) {
  Invalidate(pixels_.Bounds(), erase);
}

void TMainClient::EraseBackground(Dc& dc) {
  const Rect clip = dc.Clip();
  const Surface& target = dc.Target();
  for (int y = 0; y < target.Height(); y += kTile) {
    if (y + kTile <= clip.top || y >= clip.bottom) continue;
    for (int x = 0; x < target.Width(); x += kTile) {
      const int v = (x / 3 + y) / 6 + 70;
      dc.Fill(x, y, kTile, kTile, Rgb(std::min(v, 255), std::min(v + 200, 255), std::min(v, 255)));
    }
  }
}

void TMainClient::PaintInto(Dc& dc, bool erase) {
  if (erase) EraseBackground(dc);
  // A WiresBehind other than 0 and 1 (only from a file) shows no wires at all.
  if (WiresBehind == 1) PaintWiresWalk(&root_, dc);
  PaintWalk(&root_, dc);
  if (WiresBehind == 0) PaintWiresWalk(&root_, dc);
}

Rect TMainClient::PaintPending() {
  const Rect r = pending_;
  if (r.Empty()) return {};
  Dc dc(pixels_, r);
  dc.SetPen(Rgb(0, 0, 0));
  PaintInto(dc, pendingErase_);
  pending_ = {};
  pendingErase_ = false;
  return r;
}

void TMainClient::PaintAll(Surface& target) {
  Dc dc(target);
  PaintInto(dc, true);
}

void TMainClient::OpenDevicePopup(NTDevWin* device, Point clientPt) {
  PopupDevice = device;
  if (shell_.TrackDevicePopup(clientPt) == cmd::DeleteDevice) Command(cmd::DeleteDevice);
}

void TMainClient::ProcessBlock(int in, int out) {
  ProcessBuffers(InBuf[size_t(in)], OutBuf[size_t(out)]);
}

void TMainClient::ProcessBuffers(const TSampleBuffer& in, TSampleBuffer& out) {
  FlushDenormals();
  TCriticalSection::Lock lock(Lock);
  ProcessFrames(devices_, io_, in, out);
}
