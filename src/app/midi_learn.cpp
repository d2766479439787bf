// MIDI controllers on the canvas: learning a mapping from the device popup, moving the mapped
// controls from the window thread, their marks, and the file of mappings beside the patch.
#include <algorithm>
#include <filesystem>
#include <utility>

#include "app/commands.h"
#include "app/main_client.h"
#include "app/midi_file.h"
#include "platform/atomic_file.h"
#include "platform/read_file.h"
#include "toolkit/control_input.h"

namespace {
constexpr int kMarkSize = 5;
const Color kMappedColor = Rgb(255, 128, 0), kLearningColor = Rgb(255, 255, 0);
// Far more than any patch's mappings; a longer file is damaged.
constexpr size_t kMaxMidiFileBytes = 1 << 20;
constexpr const char* kMidiSaveFailed = "Die MIDI-Zuweisungen konnten nicht gespeichert werden!";
constexpr const char* kMidiDamaged =
    "Die Datei mit den MIDI-Zuweisungen ist beschädigt; der Patch wurde ohne MIDI-Zuweisungen "
    "geladen. Beim nächsten Speichern wird die Datei ersetzt.";
}  // namespace

Rect TMainClient::MidiMark(const NTWin& control) {
  const Rect area = FocusArea(control);
  return Rect::FromSize(area.left, area.top, kMarkSize, kMarkSize);
}

// Audio thread: the block's controller messages go on to the window thread; a full ring drops
// them rather than wait.
void TMainClient::ForwardControllers() noexcept {
  for (const TMidiEvent& e : io_.Midi)
    if (e.Kind() == TMidiEvent::kController || e.Kind() == TMidiEvent::kBend)
      controllers_.Push({&e, 1});
}

void TMainClient::TakeControllers(TMidiMapping::Clock::time_point now) {
  std::span<const TMidiEvent> events;
  do {
    events = controllers_.Front();
    if (NTWin* learned = mapping_.Take(events, now, heldPositions_)) ShowMapped(*learned);
    controllers_.Pop(events.size());
  } while (!events.empty());
  // A control that the mouse holds, or a panel on the move, must not change under it: the
  // newest positions wait for the mouse to let go.
  if (Interaction() == InteractionMode::Control || Interaction() == InteractionMode::Moving) return;
  for (const auto& [control, p] : std::exchange(heldPositions_, {})) {
    // A device out of the list (deleted, in the undo history) keeps its mapping but follows none.
    if (!DeviceOf(control)) continue;
    if (!std::exchange(midiGesture_, true)) BeginGesture();
    lastMapped_ = now;
    FollowController(*control, p.value, p.top);
  }
  if (midiGesture_ && now - lastMapped_ >= kMidiGesturePause) {
    midiGesture_ = false;
    EndGesture();
  }
}

// A mapped control tells the owner when it dies, so that no mapping outlives it.
void TMainClient::ShowMapped(NTWin& control) {
  control.MarkReferenced();
  Invalidate(MidiMark(control), true);
}

void TMainClient::ChooseMidi(int id, NTWin& control) {
  if (id == cmd::kMidiLearn) {
    StopLearning();
    mapping_.Learn(&control);
    Invalidate(MidiMark(control), true);
  } else if (id == cmd::kMidiUnmap && mapping_.Unmap(&control)) {
    Invalidate(MidiMark(control), true);
  }
}

void TMainClient::StopLearning() {
  if (NTWin* waiting = mapping_.Learning()) {
    mapping_.Learn(nullptr);
    Invalidate(MidiMark(*waiting), true);
  }
}

std::vector<const NTWin*> TMainClient::MarkedControls() {
  std::vector<const NTWin*> marked;
  for (const auto& [control, source] : mapping_.Sources())
    if (DeviceOf(control)) marked.push_back(control);
  if (const NTWin* waiting = mapping_.Learning()) marked.push_back(waiting);
  return marked;
}

bool TMainClient::MidiMarksMeet(Rect r) {
  if (mapping_.Sources().empty() && !mapping_.Learning()) return false;
  return std::ranges::any_of(MarkedControls(), [&](const NTWin* control) {
    return !r.Intersect(MidiMark(*control)).Empty();
  });
}

// The one that waits is drawn last, over its own mapping's mark.
void TMainClient::PaintMidiMarks(Dc& dc) {
  for (const NTWin* control : MarkedControls()) {
    const Rect r = MidiMark(*control);
    dc.Fill(r.left, r.top, kMarkSize, kMarkSize,
            control == mapping_.Learning() ? kLearningColor : kMappedColor);
  }
}

bool TMainClient::SaveMidiFile(const std::string& patchPath) {
  std::vector<TMidiLine> lines;
  if (!mapping_.Sources().empty())
    for (size_t d = 0; d < devices_.size(); ++d) {
      const std::vector<NTWin*> controls = FocusableControls(devices_[d]);
      for (size_t c = 0; c < controls.size(); ++c)
        if (const auto source = mapping_.SourceOf(controls[c])) lines.push_back({d, c, *source});
    }
  const std::string file = MidiFilePath(patchPath);
  std::string why;
  if (lines.empty()) {
    // No mappings: an old file must not bring back mappings the patch no longer has.
    std::error_code error;
    std::filesystem::remove(file, error);
    why = error ? error.message() : "";
  } else {
    const std::string text = FormatMidiFile(lines);
    WriteFileAtomically(file, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, &why);
  }
  if (why.empty()) return true;
  ErrorBox(std::string(kMidiSaveFailed) + "\n" + file + ": " + why);
  return false;
}

// All or nothing: a file with any line that names no control of the patch maps nothing.
void TMainClient::LoadMidiFile(const std::string& patchPath) {
  const std::string file = MidiFilePath(patchPath);
  std::error_code missing;
  if (!std::filesystem::exists(file, missing)) return;
  std::string why;
  const std::vector<uint8_t> bytes = ReadFileBytes(file, kMaxMidiFileBytes + 1, &why);
  const auto lines =
      why.empty() && bytes.size() <= kMaxMidiFileBytes
          ? ParseMidiFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()})
          : std::nullopt;
  std::vector<std::pair<NTWin*, TMidiSource>> found;
  for (const TMidiLine& l : lines.value_or(std::vector<TMidiLine>{})) {
    const auto controls =
        l.device < devices_.size() ? FocusableControls(devices_[l.device]) : std::vector<NTWin*>{};
    if (l.control >= controls.size()) break;
    found.emplace_back(controls[l.control], l.source);
  }
  if (!lines || found.size() != lines->size()) {
    ErrorBox(std::string(kMidiDamaged) + "\n" + file + (why.empty() ? "" : ": " + why));
    return;
  }
  for (const auto& [control, source] : found) {
    mapping_.Map(control, source);
    ShowMapped(*control);
  }
}
