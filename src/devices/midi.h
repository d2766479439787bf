#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "devices/panel.h"
#include "engine/devwin.h"
#include "engine/plug.h"
#include "engine/schedule.h"
#include "platform/signal_units.h"

// The MIDI keyboard's voice: the notes of one channel (or of all) as a pitch in the VCO's FM scale
// (6000 units per octave, 0 at the reference note A 440 Hz plus the transpose), a gate at full
// scale while a note is held and the note's velocity. The last note pressed sounds; releasing it
// returns to the one held before. Pitch bend adds up to two semitones either way.
class NTMidi : public NTDevWin {
 public:
  static constexpr int kChannelCode = 1, kTransposeCode = 2;
  // The ports, named (RecordOrder in panel.h).
  enum : size_t { kPitchOut = 0, kGateOut = 1, kVelOut = 2 };
  // The note that plays at pitch 0 without transpose (A above middle C), the pitch units of a
  // semitone and of the full bend, and the value of a held gate and a full velocity.
  static constexpr int kReferenceNote = 69, kSemitone = kPitchStepsPerOctave / 12;
  static constexpr int kBendRange = 2 * kSemitone;

  NTMidi(TCanvas* canvas, NTWin* parent);
  void Compute() noexcept override;
  // Compute over a run of frames (the schedule's kernel).
  void Block(const TSubBlock& b, const TPorts& ports) noexcept;

  NTPlugOut Pitch, Gate, Vel;
  NTValueControl Channel, Transpose;

 private:
  // What the three outputs carry in a frame.
  struct Frame {
    int32_t pitch, gate, vel;
  };
  // Takes in the events up to and including clock frame `clock` and returns the frame's outputs;
  // channel and transpose are the controls' values.
  Frame Step(std::span<const TMidiEvent> events, int64_t clock, int32_t channel,
             int32_t transpose) noexcept;
  void Apply(const TMidiEvent& e, int32_t channel) noexcept;
  void Release(uint8_t note) noexcept;

  const TFrameIo& io_;
  // The first clock frame whose events are not taken in yet.
  int64_t next_ = 0;
  // The held notes in the order pressed, with their velocities; the last one sounds.
  std::array<uint8_t, 128> notes_{}, velocities_{};
  int held_ = 0;
  int32_t note_ = kReferenceNote, velocity_ = 0, bend_ = 8192;
};
