#include "toolkit/value_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace {
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::string_view kMinusSign = "\xE2\x88\x92";  // U+2212, as word processors write it
constexpr std::string_view kMicro = "\xC2\xB5", kGreekMu = "\xCE\xBC";
constexpr int32_t kFirstTimeBase = -13, kLastTimeBase = 6;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// A number and whatever follows it: "-1,5 kHz" is -1.5 and "kHz". Digits with at most one comma
// or point among them; no exponents, no thousands separators.
struct Quantity {
  double number;
  std::string_view unit;
};

std::optional<Quantity> SplitNumber(std::string_view text) {
  std::string_view s = Trim(text);
  std::string digits;
  if (s.starts_with('+') || s.starts_with('-')) {
    if (s.front() == '-') digits += '-';
    s.remove_prefix(1);
  } else if (s.starts_with(kMinusSign)) {
    digits += '-';
    s.remove_prefix(kMinusSign.size());
  }
  bool anyDigit = false, separator = false;
  for (; !s.empty(); s.remove_prefix(1)) {
    const char c = s.front();
    if (std::isdigit(static_cast<unsigned char>(c))) {
      anyDigit = true;
      digits += c;
    } else if ((c == ',' || c == '.') && !separator) {
      separator = true;
      digits += '.';
    } else {
      break;
    }
  }
  if (!anyDigit) return std::nullopt;
  double number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return Quantity{number, Trim(s)};
}

// "-oo", "-∞" or "-inf", with or without "dB": the level of silence.
bool IsMinusInfinity(std::string_view text) {
  std::string_view s = Trim(text);
  if (s.size() >= 2 && SameLetters(s.substr(s.size() - 2), "dB"))
    s = Trim(s.substr(0, s.size() - 2));
  if (s.starts_with('-'))
    s.remove_prefix(1);
  else if (s.starts_with(kMinusSign))
    s.remove_prefix(kMinusSign.size());
  else
    return false;
  s = Trim(s);
  return s == "oo" || s == "\xE2\x88\x9E" || SameLetters(s, "inf");
}

// The factor of a unit made of an optional prefix and the base unit ("kHz" is 1000 Hz), or none
// for a unit that is not this one. No unit at all counts as the base unit when allowed.
std::optional<double> UnitFactor(std::string_view unit, std::string_view base, bool bareAllowed) {
  if (unit.empty()) return bareAllowed ? std::optional<double>(1) : std::nullopt;
  if (SameLetters(unit, base)) return 1;
  const auto prefixed = [&](std::string_view prefix) {
    return unit.size() == prefix.size() + base.size() && unit.starts_with(prefix) &&
           SameLetters(unit.substr(prefix.size()), base);
  };
  if (prefixed("k") || prefixed("K")) return 1e3;
  if (prefixed("m")) return 1e-3;
  if (prefixed("u") || prefixed(kMicro) || prefixed(kGreekMu)) return 1e-6;
  return std::nullopt;
}

double PitchOf(double hertz, double base) {
  return hertz > 0 ? 6000 * std::log2(hertz / base) : -kInfinity;
}

// Seconds of the sweep time an oscilloscope's time-base value shows.
double SweepSeconds(int32_t v) {
  const std::string shown = NTDisp::Format(DisplayKind::TimeBase, v);
  const auto q = SplitNumber(shown);
  return q ? q->number * UnitFactor(q->unit, "s", false).value_or(0) : 0;
}

// A sweep time as a time-base value, between two entries where it lies between them (on a
// logarithmic scale); beyond the list, as far beyond as the next entry's ratio carries it.
double TimeBaseOf(double seconds) {
  if (!(seconds > 0)) return kInfinity;
  int32_t v = kFirstTimeBase;
  while (v + 1 < kLastTimeBase && seconds < SweepSeconds(v + 1)) ++v;
  const double a = std::log(SweepSeconds(v)), b = std::log(SweepSeconds(v + 1));
  return v + (std::log(seconds) - a) / (b - a);
}

std::string WithComma(std::string s) {
  std::ranges::replace(s, '.', ',');
  return s;
}

TTypedValue Refused(DisplayKind kind) {
  if (kind == DisplayKind::TimeBase) return {std::nullopt, "Bitte eine Zeit in s, ms oder µs"};
  const std::string_view unit = ValueUnit(kind);
  if (unit.empty()) return {std::nullopt, "Bitte eine Zahl eingeben"};
  return {std::nullopt, "Bitte eine Zahl in " + std::string(unit) + " eingeben"};
}
}  // namespace

std::string_view ValueUnit(DisplayKind kind) {
  switch (kind) {
    case DisplayKind::LevelDecibel:
    case DisplayKind::Decibel:
      return "dB";
    case DisplayKind::Frequency:
    case DisplayKind::LowFrequency:
      return "Hz";
    case DisplayKind::TimeBase:
      return "s";
    default:
      return {};
  }
}

std::string ValueText(DisplayKind kind, int32_t value) {
  const std::string shown(Trim(NTDisp::Format(kind, value)));
  if (kind == DisplayKind::LevelDecibel && value == 0) return "-oo dB";
  if (kind == DisplayKind::TimeBase) {
    const auto q = SplitNumber(shown);
    if (!q) return shown;
    const std::string_view number(shown.data(), shown.size() - q->unit.size());
    const std::string unit = q->unit == "us" ? "\xC2\xB5s" : std::string(q->unit);
    return WithComma(std::string(number)) + " " + unit;
  }
  const std::string_view unit = ValueUnit(kind);
  return WithComma(shown) + (unit.empty() ? "" : " " + std::string(unit));
}

TTypedValue ParseValueText(DisplayKind kind, std::string_view text) {
  if (kind == DisplayKind::LevelDecibel && IsMinusInfinity(text)) return {0.0, {}};
  // Every channel reads as it is shown.
  if (kind == DisplayKind::Channel && Trim(text) == "---") return {0.0, {}};
  const auto q = SplitNumber(text);
  if (!q) return Refused(kind);
  const bool bareAllowed = kind != DisplayKind::TimeBase;
  const std::string_view unit = ValueUnit(kind);
  const auto factor = unit.empty() ? (q->unit.empty() ? std::optional<double>(1) : std::nullopt)
                                   : UnitFactor(q->unit, unit, bareAllowed);
  // Decibels take no prefix.
  if (!factor || (unit == "dB" && *factor != 1)) return Refused(kind);
  const double x = q->number * *factor;
  switch (kind) {
    case DisplayKind::LevelDecibel:
      return {900 + x * 10, {}};
    case DisplayKind::Frequency:
      return {PitchOf(x, 13.75), {}};
    case DisplayKind::LowFrequency:
      return {PitchOf(x, 0.0537109375), {}};
    case DisplayKind::Thousandths:
      return {x * 1000, {}};
    case DisplayKind::Tenths:
    case DisplayKind::Decibel:
      return {x * 10, {}};
    case DisplayKind::Divisions:
    case DisplayKind::TriggerPosition:
      return {x * 30, {}};
    case DisplayKind::TimeBase:
      return {TimeBaseOf(x), {}};
    case DisplayKind::Channel:
    case DisplayKind::Semitones:
      return {x, {}};
  }
  return Refused(kind);
}
