#include "devices/midi.h"

#include <algorithm>

#include "devices/arith.h"
#include "platform/art.h"

namespace {
constexpr int kPanelW = 121, kPanelH = 224;
constexpr ControlLayout kChannel{{{16, 46}, 100, 0, 16, 1, 0},  // every channel
                                 {{10, 31}, DisplayKind::Channel, "Kanal"}};
constexpr ControlLayout kTranspose{{{68, 46}, 100, -48, 48, 1, 0},  // semitones
                                   {{62, 31}, DisplayKind::Semitones, "Transp"}};
constexpr Point kPitchJack{16, 203}, kGateJack{52, 203}, kVelJack{89, 203};
// Controller numbers that end every held note: all sound off, all notes off.
constexpr uint8_t kAllSoundOff = 120, kAllNotesOff = 123;
}  // namespace

NTMidi::NTMidi(TCanvas* canvas, NTWin* parent)
    : NTDevWin(canvas, parent, kPanelW, kPanelH, "MIDI"),
      Pitch(canvas, this, bmp::kJackRed, "Pitch"),
      Gate(canvas, this, bmp::kJackRed, "Gate"),
      Vel(canvas, this, bmp::kJackRed, "Vel"),
      Channel(canvas, this, kChannelCode, kChannel),
      Transpose(canvas, this, kTransposeCode, kTranspose),
      io_(canvas->Io()) {
  RecordOrder(*this, Pitch, Gate, Vel, Channel.Disp, Transpose.Disp, Channel, Transpose);
  Pitch.MoveTo(kPitchJack);
  Gate.MoveTo(kGateJack);
  Vel.MoveTo(kVelJack);
}

void NTMidi::Release(uint8_t note) noexcept {
  const auto end = notes_.begin() + held_;
  const auto at = std::find(notes_.begin(), end, note);
  if (at == end) return;
  const auto i = at - notes_.begin();
  std::copy(at + 1, end, at);
  std::copy(velocities_.begin() + i + 1, velocities_.begin() + held_, velocities_.begin() + i);
  --held_;
}

void NTMidi::Apply(const TMidiEvent& e, int32_t channel) noexcept {
  if (channel != 0 && channel != e.Channel() + 1) return;
  const uint8_t note = e.Data1 & 0x7F;
  switch (e.Kind()) {
    case TMidiEvent::kNoteOn:
      Release(note);
      if (e.Data2 != 0) {
        notes_[size_t(held_)] = note;
        velocities_[size_t(held_)] = e.Data2 & 0x7F;
        ++held_;
      }
      break;
    case TMidiEvent::kNoteOff:
      Release(note);
      break;
    case TMidiEvent::kBend:
      bend_ = e.Bend();
      break;
    case TMidiEvent::kController:
      if (e.Data1 == kAllSoundOff || e.Data1 == kAllNotesOff) held_ = 0;
      break;
    default:
      break;
  }
  // After the last note is released the pitch and velocity stay, so that a decay keeps its note.
  if (held_ > 0) {
    note_ = notes_[size_t(held_ - 1)];
    velocity_ = velocities_[size_t(held_ - 1)];
  }
}

NTMidi::Frame NTMidi::Step(std::span<const TMidiEvent> events, int64_t clock, int32_t channel,
                           int32_t transpose) noexcept {
  if (!events.empty() && events.back().Frame >= next_) {
    const auto first = std::ranges::lower_bound(events, next_, {}, &TMidiEvent::Frame);
    for (auto e = first; e != events.end() && e->Frame <= clock; ++e) Apply(*e, channel);
  }
  next_ = std::max(next_, clock + 1);
  const int64_t semitones = int64_t(note_) + transpose - kReferenceNote;
  const int64_t bend = (int64_t(bend_) - 8192) * kBendRange / 8192;
  return {Wrap32(semitones * kSemitone + bend), held_ > 0 ? kFullScale : 0,
          int32_t(velocity_ * kFullScale / 127)};
}

void NTMidi::Compute() noexcept {
  const Frame f = Step(io_.Midi, io_.Clock, Channel.Value, Transpose.Value);
  Pitch.Value = f.pitch;
  Gate.Value = f.gate;
  Vel.Value = f.vel;
}

void NTMidi::Block(const TSubBlock& b, const TPorts& ports) noexcept {
  const int32_t channel = Channel.Value, transpose = Transpose.Value;
  int32_t* pitch = b.Publish(ports.Out[kPitchOut]);
  int32_t* gate = b.Publish(ports.Out[kGateOut]);
  int32_t* vel = b.Publish(ports.Out[kVelOut]);
  const int frames = b.Frames;
  for (int f = 0; f < frames; ++f) {
    const Frame out = Step(io_.Midi, b.Clock + f, channel, transpose);
    pitch[f] = out.pitch;
    gate[f] = out.gate;
    vel[f] = out.vel;
  }
}
