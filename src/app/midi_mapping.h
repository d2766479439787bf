#pragma once
#include <array>
#include <chrono>
#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "platform/midi_event.h"

class NTWin;

// Where a mapped control's value comes from: a 7-bit controller, a 14-bit controller pair (CC n
// for n in 0..31 the upper seven bits, CC n + 32 the lower), or the pitch bend of a channel.
struct TMidiSource {
  enum class Kind : uint8_t { Cc7, Cc14, Bend };
  Kind kind = Kind::Cc7;
  uint8_t channel = 0;  // 0..15
  uint8_t number = 0;   // the controller (of a pair: the upper one); 0 for the pitch bend
  auto operator<=>(const TMidiSource&) const = default;

  // The greatest position the source reaches: 127 or 16383.
  int Top() const { return kind == Kind::Cc7 ? 127 : 16383; }
};

// The controls that follow MIDI controllers and the learning of a new one (window thread). Fed
// with the controller messages in the order they came, it tells each mapped control the newest
// position of its source.
class TMidiMapping {
 public:
  using Clock = std::chrono::steady_clock;
  // How long a learned CC 0..31 waits for its lower half (CC n + 32) before it counts as 7-bit.
  static constexpr Clock::duration kPairWait = std::chrono::milliseconds(100);

  struct Position {
    int value = 0, top = 127;
  };
  using Positions = std::map<NTWin*, Position>;

  // The next controller message maps to control (replacing a mapping it has).
  void Learn(NTWin* control);
  NTWin* Learning() const { return learning_; }
  void Map(NTWin* control, TMidiSource source) { sources_[control] = source; }
  // False when control had no mapping.
  bool Unmap(const NTWin* control);
  // Drops the mapping and the learning of a control that goes away.
  void Forget(const NTWin* control);
  void Clear();
  std::optional<TMidiSource> SourceOf(const NTWin* control) const;
  const std::map<NTWin*, TMidiSource>& Sources() const { return sources_; }

  // Takes the controller messages (other events are passed over); the newest position of each
  // mapped control goes into `into`. Returns the control a learn has just mapped, or null. Also
  // called without events, so that a learned CC 0..31 whose pair half never comes is mapped.
  NTWin* Take(std::span<const TMidiEvent> events, Clock::time_point now, Positions& into);

 private:
  void Decode(const TMidiEvent& e, Positions& into);
  void Follow(TMidiSource source, int value, Positions& into);
  // True when e is the learning's own message; learned is the control it mapped, if it did.
  bool LearnFrom(const TMidiEvent& e, Clock::time_point now, NTWin*& learned);
  NTWin* Complete(TMidiSource source);

  std::map<NTWin*, TMidiSource> sources_;
  NTWin* learning_ = nullptr;
  // A learned CC 0..31 waiting for its pair half, and since when.
  std::optional<TMidiSource> candidate_;
  Clock::time_point candidateSince_{};
  // The last upper half of each channel's controller pairs.
  std::array<std::array<uint8_t, 32>, 16> upper_{};
};
