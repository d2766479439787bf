#pragma once
#include <string>

#include "toolkit/bmpwin.h"
#include "toolkit/statics.h"

// What a read-out's value means, and so how it is shown.
enum class DisplayKind : int32_t {
  LevelDecibel = 1,     // a level position (platform/signal_units.h); 0 is -oo
  Frequency = 2,        // a pitch position (platform/signal_units.h)
  LowFrequency = 3,     // the same above 0.0537109375 Hz (the LFO)
  Thousandths = 4,      // 0.000 .. 1.000
  Tenths = 5,           // 0.0 .. 999.9
  Decibel = 6,          // tenths of a decibel, signed
  Divisions = 7,        // thirtieths of a screen division, two decimals
  TriggerPosition = 8,  // thirtieths of a screen division, one decimal
  TimeBase = 9,         // an index into the oscilloscope's list of sweep times
  Channel = 10,         // a MIDI channel 1..16; 0 is every channel, shown as "---"
  Semitones = 11,       // whole semitones, signed
};

// The five-character numeric read-out in the cyan bitmap font.
class NTDisp : public NTBmpWin {
 public:
  NTDisp(TWindowOwner* owner, NTWin* parent, DisplayKind kind, const char* name);
  ~NTDisp() override;
  void Paint(Dc& dc) override;
  void Read(ipstream& is) override;
  void Write(opstream& os) override;

  void SetValue(int32_t v) { Value = v; }
  void ShowValue(Dc& dc);
  // SetValue, then ShowValue through a client drawing context.
  void Show(int32_t v);

  // The text a kind shows for a value; empty for a number that names no kind.
  static std::string Format(DisplayKind kind, int32_t value);

  DisplayKind Kind;
  int32_t Value = 0;
  NTStaticCtrlName Label;
};
