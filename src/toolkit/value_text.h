#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "toolkit/disp.h"

// A read-out's value as a person types it: German number format (a comma or a point before the
// decimals), the unit the panel means, and the same precision the read-out shows.

// What a typed text means in the control's own units (a pitch position, a level position, a
// time-base index ...), not yet rounded to a step: frequencies and sweep times lie between two
// positions. Without a value, Hint says in a few German words what was wrong.
struct TTypedValue {
  std::optional<double> Units;
  std::string Hint;
};

// The unit a kind's values are typed in, or empty.
std::string_view ValueUnit(DisplayKind kind);
// The shown value as an entry starts with it and a screen reader says it: "440,0 Hz", "-6,0 dB",
// "-oo dB", "500 ms", "0,500".
std::string ValueText(DisplayKind kind, int32_t value);
// Reads a typed value: "440", "440 Hz", "1,5 kHz", "-6 dB", "-oo", "0,25 s", "680 µs"; also the
// read-out's own text ("440.0", "500ms").
TTypedValue ParseValueText(DisplayKind kind, std::string_view text);
