#include "app/midi_mapping.h"

#include <utility>

namespace {
using Kind = TMidiSource::Kind;
constexpr int kPairs = 32;  // CC 0..31 may have a lower half at CC 32..63
}  // namespace

void TMidiMapping::Learn(NTWin* control) {
  learning_ = control;
  candidate_.reset();
}

bool TMidiMapping::Unmap(const NTWin* control) {
  return sources_.erase(const_cast<NTWin*>(control)) > 0;
}

void TMidiMapping::Forget(const NTWin* control) {
  Unmap(control);
  if (learning_ == control) Learn(nullptr);
}

void TMidiMapping::Clear() {
  sources_.clear();
  Learn(nullptr);
}

std::optional<TMidiSource> TMidiMapping::SourceOf(const NTWin* control) const {
  const auto at = sources_.find(const_cast<NTWin*>(control));
  if (at == sources_.end()) return std::nullopt;
  return at->second;
}

NTWin* TMidiMapping::Take(std::span<const TMidiEvent> events, Clock::time_point now,
                          Positions& into) {
  NTWin* learned = nullptr;
  for (const TMidiEvent& e : events) {
    const bool learns = learning_ && !learned && LearnFrom(e, now, learned);
    Decode(e, into);
    // The message that maps is not applied itself: learning moves nothing.
    if (learns && learned) into.erase(learned);
  }
  if (learning_ && !learned && candidate_ && now - candidateSince_ >= kPairWait)
    learned = Complete(*candidate_);
  return learned;
}

void TMidiMapping::Decode(const TMidiEvent& e, Positions& into) {
  const auto channel = uint8_t(e.Channel());
  if (e.Kind() == TMidiEvent::kBend) {
    Follow({Kind::Bend, channel, 0}, e.Bend(), into);
    return;
  }
  if (e.Kind() != TMidiEvent::kController) return;
  const uint8_t number = e.Data1 & 0x7F, value = e.Data2 & 0x7F;
  Follow({Kind::Cc7, channel, number}, value, into);
  // An upper half alone stands for the pair with its lower half 0, as MIDI has it.
  if (number < kPairs) {
    upper_[channel][number] = value;
    Follow({Kind::Cc14, channel, number}, value << 7, into);
  } else if (number < 2 * kPairs) {
    const uint8_t pair = number - kPairs;
    Follow({Kind::Cc14, channel, pair}, upper_[channel][pair] << 7 | value, into);
  }
}

void TMidiMapping::Follow(TMidiSource source, int value, Positions& into) {
  for (const auto& [control, s] : sources_)
    if (s == source) into[control] = {value, source.Top()};
}

bool TMidiMapping::LearnFrom(const TMidiEvent& e, Clock::time_point now, NTWin*& learned) {
  const auto channel = uint8_t(e.Channel());
  if (e.Kind() == TMidiEvent::kBend) {
    learned = Complete({Kind::Bend, channel, 0});
    return true;
  }
  if (e.Kind() != TMidiEvent::kController) return false;
  const uint8_t number = e.Data1 & 0x7F;
  if (candidate_ && candidate_->channel == channel && number == candidate_->number + kPairs) {
    learned = Complete({Kind::Cc14, channel, candidate_->number});
    return true;
  }
  if (candidate_) {
    // Another message came first: the waiting one was a 7-bit controller.
    learned = Complete(*candidate_);
    return false;
  }
  if (number >= kPairs) {
    learned = Complete({Kind::Cc7, channel, number});
    return true;
  }
  candidate_ = TMidiSource{Kind::Cc7, channel, number};
  candidateSince_ = now;
  return true;
}

NTWin* TMidiMapping::Complete(TMidiSource source) {
  NTWin* control = std::exchange(learning_, nullptr);
  candidate_.reset();
  Map(control, source);
  return control;
}
