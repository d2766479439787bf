#include "app/main_client.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/commands.h"
#include "devices/io.h"
#include "devices/kernels.h"
#include "devices/registry.h"
#include "engine/plug.h"
#include "platform/denormals.h"
#include "toolkit/control_input.h"

namespace {
constexpr int kTile = 40;
constexpr Point kStartInput{10, 10}, kStartOutput{100, 10};
}  // namespace

TMainClient::TMainClient(Shell& shell, WaveSystem* audio)
    : shell_(shell), audio_(audio), root_(this, nullptr) {}

TMainClient::~TMainClient() {
  Terminate();
  WaitForExit();
  ClearHistory();
  DeleteAllDevices();
}

std::vector<NTDevWin*> TMainClient::Devices() {
  return devices_;
}

NTDevWin* TMainClient::CreateDevice(DeviceType type) {
  // A new device is always the root's last child; rebuilding the array instead would make a
  // file with thousands of devices load in quadratic time.
  NTDevWin* d = MakeDevice(type, this, &root_);
  if (d) {
    devices_.push_back(d);
    ++devicesVersion_;
    statesStale_ = true;
  }
  return d;
}

void TMainClient::DeleteDevice(NTDevWin* device) {
  ForgetDevice(*device);
  std::erase(devices_, device);
  ++devicesVersion_;
  delete device;
}

void TMainClient::DeleteAllDevices() {
  // Inputs may point at outputs deleted before them, but they are deleted themselves before
  // anything reads them again (the caller holds the lock or the audio thread has ended).
  deletingAll_ = true;
  mapping_.Clear();
  heldPositions_.clear();
  // Emptied at once: erasing each device from the front would take quadratic time.
  devices_.clear();
  while (root_.FirstChild) DeleteDevice(static_cast<NTDevWin*>(root_.FirstChild));
  deletingAll_ = false;
}

void TMainClient::ForgetWindow(NTWin* dying) {
  mapping_.Forget(dying);
  heldPositions_.erase(dying);
  if (!deletingAll_) TCanvas::ForgetWindow(dying);
}

void TMainClient::PlaceStartDevices() {
  CreateDevice(DeviceType::Input)->MoveTo(kStartInput);
  CreateDevice(DeviceType::Output)->MoveTo(kStartOutput);
  Reschedule();
  RefreshStates();
}

void TMainClient::Reschedule() {
  schedule_.Publish(TSchedule::Compile(devices_, DeviceKernel, devicesVersion_, Threads()));
}

void TMainClient::UseCrew(std::unique_ptr<TScheduleCrew> crew) {
  schedule_.UseCrew(crew.get());
  crew_ = std::move(crew);
  Reschedule();
}

void TMainClient::WiringChanged() {
  Reschedule();
}

void TMainClient::NewLocked() {
  ClearHistory();
  DeleteAllDevices();
  PlaceStartDevices();
  InvalidateAll(true);
  FileName.clear();
  UpdateTitle();
}

void TMainClient::New() {
  if (!MayDiscardChanges()) return;
  {
    TCriticalSection::Lock lock(Lock);
    NewLocked();
  }
  MarkUnmodified();
}

std::string TMainClient::TitleText() const {
  char text[512];
  std::snprintf(text, sizeof text, "%s - %s%s", kProduct, Modified() ? "*" : "",
                FileName.empty() ? "(Kein Titel)" : FileName.c_str());
  std::string title = text;
  if (view_.zoom != 100) title += " - " + std::to_string(view_.zoom) + " %";
  return title + RecordingCaption();
}

void TMainClient::UpdateTitle() {
  shownModified_ = Modified();
  shell_.SetCaption(TitleText());
}

void TMainClient::SetMenuMarks() {
  shell_.CheckMenu(cmd::kWiresVisible, WiresOn != 0);
  shell_.CheckMenu(cmd::kWiresFront, WiresBehind == 0);
  shell_.CheckMenu(cmd::kWiresBehind, WiresBehind == 1);
  shell_.CheckMenu(cmd::kCurvesOff, CurvesOn == 0);
  shell_.CheckMenu(cmd::kCurvesOn, CurvesOn == 1);
  shell_.CheckMenu(cmd::kSnap, SnapOn != 0);
  UpdateEditMenu();
}

void TMainClient::Insert(DeviceType type) {
  // Whatever the pointer still carries is put down first: the new device takes over the mode.
  PutDown();
  NTDevWin* d;
  {
    TCriticalSection::Lock lock(Lock);
    d = CreateDevice(type);
    Reschedule();
  }
  if (!d) return;
  PushEdit(TDeviceSetEdit::Added(DeviceName(*d) + " einfügen", {d}));
  placing_ = d;
  d->BeginMove();
}

void TMainClient::Command(int id) {
  RunCommand(id);
  UpdateCable();
  NoteView();
}

void TMainClient::RunCommand(int id) {
  if (RunEditCommand(id)) return;
  switch (id) {
    case cmd::kFileNew:
      New();
      return;
    case cmd::kFileOpen:
      Open();
      return;
    case cmd::kFileSave:
      Save();
      return;
    case cmd::kFileSaveAs:
      SaveAs();
      return;
    case cmd::kWiresVisible:
      ChooseOption(kWiresVisibleWord, !WiresOn);
      return;
    case cmd::kWiresFront:
      ChooseOption(kWiresBehindWord, 0);
      return;
    case cmd::kWiresBehind:
      ChooseOption(kWiresBehindWord, 1);
      return;
    case cmd::kCurvesOff:
      ChooseOption(kCurvesWord, 0);
      return;
    case cmd::kCurvesOn:
      ChooseOption(kCurvesWord, 1);
      return;
    case cmd::kSnap:
      ChooseOption(kSnapWord, !SnapOn);
      return;
    case cmd::kRecord:
      ToggleRecording();
      return;
    case cmd::kDeleteDevice:
      if (NTDevWin* d = std::exchange(PopupDevice, nullptr)) DeleteDevices({d});
      return;
    default:
      if (RunViewCommand(id)) return;
      if (const DeviceType type = InsertType(id); type != DeviceType::None) Insert(type);
  }
}

// A press and its release are one gesture: a control dragged between them is one undo step.
void TMainClient::Mouse(MouseKind kind, Point screenPt, bool shift) {
  screenPointer_ = screenPt;
  pointerIn_ = true;
  pointer_ = view_.ToCanvas(screenPt);
  if ((kind == MouseKind::LDown || kind == MouseKind::RDown) && !std::exchange(mouseGesture_, true))
    BeginGesture();
  Route(kind, pointer_, shift);
  LetGoOfPlacedPanel();
  if ((kind == MouseKind::LUp || kind == MouseKind::RUp) && std::exchange(mouseGesture_, false))
    EndGesture();
  UpdateCable();
  NoteView();
}

void TMainClient::Route(MouseKind kind, Point pt, bool shift) {
  if (bandStart_) {
    TrackBand(kind, pt);
    return;
  }
  if (PressSelects(kind, pt, shift)) return;
  // A right press that put a panel down has done its work: its release opens no popup menu on
  // the panel that now lies under the pointer.
  if (kind == MouseKind::RUp && std::exchange(rightPressPlaced_, false)) return;
  const bool captured = captured_ != nullptr;
  const bool taken = RouteMouse(&root_, captured_, kind, pt);
  if (captured) {
    rightPressPlaced_ = kind == MouseKind::RDown && !captured_;
  } else if (!taken && kind == MouseKind::RUp && OnBackground(pt)) {
    // A right click that no window takes drops a pending connection.
    Escape();
  }
}

bool TMainClient::OnBackground(Point pt) {
  return std::ranges::none_of(devices_, [pt](const NTDevWin* d) { return d->Contains(pt); });
}

void TMainClient::Escape() {
  PutDown();
  StopLearning();
  ClearSelection();
}

void TMainClient::PutDown() {
  if (bandStart_) EndBand(false);
  if (PendingConnector()) {
    NTPlug::EndPending(*this);
  } else if (auto* moving = dynamic_cast<NTDevWin*>(captured_);
             moving && Interaction() == InteractionMode::Moving) {
    moving->EndMove(pointer_);
  }
  LetGoOfPlacedPanel();
  UpdateCable();
}

// An inserted panel put down where it already stood reports no move, yet its insert is over: a
// later drag of it is a step of its own.
void TMainClient::LetGoOfPlacedPanel() {
  if (placing_ && captured_ != placing_) placing_ = nullptr;
}

NTPlug* TMainClient::PendingConnector() const {
  return Interaction() == InteractionMode::Connecting ? PendingPlug() : nullptr;
}

TWire TMainClient::Cable(const NTPlug& from) const {
  return TWire(from.Centre(), cableEnd_, CurvesOn != 0);
}

void TMainClient::UpdateCable() {
  const NTPlug* from = PendingConnector();
  const Point shownEnd = std::exchange(cableEnd_, pointer_);
  const Rect now = from ? Cable(*from).Bounds() : Rect{};
  if (now == cableRect_ && (now.Empty() || shownEnd == pointer_)) return;
  Invalidate(cableRect_, true);
  cableRect_ = now;
  Invalidate(now, true);
}

// Drawn after both walks, as the window showed it before the repaint: the XOR frame of the first
// connector (so that removing it later restores the picture), then the cable over everything.
void TMainClient::PaintPendingConnection(Dc& dc) {
  const NTPlug* from = PendingConnector();
  if (!from) return;
  from->DrawFocus(dc);
  if (!cableRect_.Empty()) Cable(*from).Draw(dc);
}

void TMainClient::Timer() {
  // A connection made without telling the canvas reaches the schedule here.
  if (schedule_.Stale()) Reschedule();
  // Of the whole tree only devices act on the timer (meters, scopes): their controls have
  // nothing to tick, and with hundreds of devices walking every control cost the render tool as
  // much as a fifth of its processing.
  for (NTDevWin* d : devices_) d->Tick();
  TakeControllers(TMidiMapping::Clock::now());
  AutoScroll();
  KeepRecoveryCopy();
  RecordingTick();
  WatchSound();
}

void TMainClient::Resize(int width, int height) {
  view_.width = width;
  view_.height = height;
  Rezoom(view_.zoom, view_.origin);
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
  return Dc(pixels_, view_.Stored(), view_.origin);
}

void TMainClient::EndClientDc(Dc& dc) {
  const Rect r = dc.Touched();
  if (r.Empty()) return;
  // A display that redraws itself under the cable must not cut it.
  // Nor must a control that redraws itself wipe out its MIDI mark.
  if (MidiMarksMeet(r)) {
    Dc over(pixels_, r, view_.origin);
    PaintMidiMarks(over);
  }
  if (const NTPlug* from = PendingConnector(); from && !r.Intersect(cableRect_).Empty()) {
    Dc over(pixels_, r.Intersect(cableRect_), view_.origin);
    Cable(*from).Draw(over);
  }
  shell_.ShowPixels(view_.ToScreen(r));
}

void TMainClient::Invalidate(Rect r, bool erase) {
  r = r.Intersect(view_.Stored());
  if (r.Empty()) return;
  pending_ = pending_.Union(r);
  pendingErase_ = pendingErase_ || erase;
  shell_.RequestPaint(view_.ToScreen(r));
}

void TMainClient::InvalidateAll(bool erase) {
  Invalidate(view_.Stored(), erase);
}

// The tiles lie on the canvas, not on the window: they scroll with the panels.
void TMainClient::EraseBackground(Dc& dc) {
  const Rect r = dc.Clip().Intersect(dc.Area());
  if (r.Empty()) return;
  const auto first = [](int32_t v) { return v - ((v % kTile) + kTile) % kTile; };
  for (int y = first(r.top); y < r.bottom; y += kTile) {
    for (int x = first(r.left); x < r.right; x += kTile) {
      const int v = std::max((x / 3 + y) / 6 + 70, 0);
      dc.Fill(x, y, kTile, kTile, Rgb(std::min(v, 255), std::min(v + 200, 255), std::min(v, 255)));
    }
  }
}

void TMainClient::PaintInto(Dc& dc, bool erase) {
  if (erase) EraseBackground(dc);
  // A WiresBehind other than 0 and 1 (only from a file) shows no wires at all.
  if (WiresBehind == 1) PaintWiresWalk(&root_, dc);
  PaintWalk(&root_, dc);
  PaintMidiMarks(dc);
  if (WiresBehind == 0) PaintWiresWalk(&root_, dc);
  PaintSelection(dc);
  PaintPendingConnection(dc);
}

Rect TMainClient::PaintPending() {
  const Rect r = pending_.Intersect(view_.Stored());
  pending_ = {};
  if (r.Empty()) return {};
  Dc dc(pixels_, r, view_.origin);
  dc.SetPen(Rgb(0, 0, 0));
  PaintInto(dc, pendingErase_);
  pendingErase_ = false;
  return r;
}

void TMainClient::PaintAll(Surface& target) {
  Dc dc(target);
  PaintInto(dc, true);
}

void TMainClient::OpenDevicePopup(NTDevWin* device, Point clientPt) {
  PopupDevice = device;
  NTWin* control = ControlAt(&root_, clientPt);
  if (control && DeviceOf(control) != device) control = nullptr;
  std::vector<PopupEntry> entries{{"&Löschen", cmd::kDeleteDevice}};
  if (control) entries.push_back({"&MIDI zuweisen...", cmd::kMidiLearn});
  if (control && mapping_.SourceOf(control))
    entries.push_back({"MIDI-Zuweisung lö&schen", cmd::kMidiUnmap});
  const int id = shell_.TrackDevicePopup(view_.ToScreen(clientPt), entries);
  if (id == cmd::kDeleteDevice)
    Command(id);
  else if (control && PopupDevice == device)  // the device is still there
    ChooseMidi(id, *control);
}

void TMainClient::ProcessBlock(int in, int out) {
  ProcessBuffers(InBlock(in), OutBlock(out));
}

void TMainClient::ProcessBuffers(const TSampleBuffer& in, TSampleBuffer& out) {
  FlushDenormals();
  TCriticalSection::Lock lock(Lock);
  const int frames = std::min(in.Length(), out.Length());
  io_.Midi = {midiBlock_.data(), midi_ ? midi_->TakeBlock(midiBlock_, io_.Clock, frames) : 0};
  ForwardControllers();
  ProcessScheduled(schedule_, devicesVersion_, devices_, io_, in, out);
}
