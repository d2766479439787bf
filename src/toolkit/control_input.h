#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/disp.h"
#include "toolkit/key.h"
#include "toolkit/reg.h"

// Exact control besides the mouse: the wheel, the keyboard and typed values. Every change goes
// the way a mouse change goes (the control's own path, which tells the device and marks the patch
// changed) and happens only while no mouse interaction is in progress (window thread).

// The value slider whose value a display shows, or null.
NTReg* RegOf(const NTDisp& display);

// One coarse step of a kind, in the control's units: 1 dB for levels, a semitone for the VCO and
// the Filter, an octave for the LFO, 0.010 of thousandths, 1.0 of tenths, 6 dB of the
// oscilloscope's attenuation, one screen division of its positions, a factor of ten of its sweep
// time (three entries).
int32_t CoarseUnits(DisplayKind kind);
// How many steps a coarse step of a value slider is (at least one).
int CoarseSteps(const NTReg& reg);

// What a key does to the focused control.
enum class ControlKey {
  StepUp,      // arrow up or right: one step, or the key above in a key set
  StepDown,    // arrow down or left
  CoarseUp,    // page up
  CoarseDown,  // page down
  First,       // home: the least value, or the first key
  Last,        // end: the greatest value, or the last key
  Toggle,      // space: switches a key over
};
// True when the control took the key (whether or not its value changed).
bool PressKey(NTWin& control, ControlKey key);

// The value slider under a point: its column of buttons and slider, or its read-out.
NTReg* RegAt(NTWin* root, Point pt);
// The read-out under a point that shows a value slider's value, or null.
NTDisp* DisplayAt(NTWin* root, Point pt);
// The wheel over a value slider: notches steps up (negative: down), coarse ones with Shift.
// False when no control under the pointer takes the wheel (the canvas may scroll then).
bool Wheel(NTWin* root, Point pt, int notches, bool coarse);
// Sets a value slider to the value a newly made device has. False when nothing changed.
bool Reset(NTReg& reg);
// A MIDI controller at position (0..top) over the control's whole range: a value slider goes to
// the step nearest that share of Min..Max, a key set to the row of that share, a key is on in the
// upper half. The change goes the way a key's does. False when nothing changed.
bool FollowController(NTWin& control, int position, int top);
// The control (value slider, key or key set) under a point, a value slider's read-out included.
NTWin* ControlAt(NTWin* root, Point pt);

// A typed value for a value slider, in its read-out's unit: Enter sets the nearest step of the
// control's scale (Min + k * Step, or Max). A text that means nothing, or a value outside the
// control's range, changes nothing and returns a short German hint.
struct TEntryResult {
  bool Set = false;
  std::string Hint;
};
TEntryResult EnterValue(NTReg& reg, std::string_view text);
// The step nearest to a value in the control's units, or none outside its range (by more than
// half a step).
std::optional<int32_t> NearestStep(const NTReg& reg, double units);
// The values a typed entry reaches: Min + k * Step up to Max, and Max.
std::vector<int32_t> ReachableSteps(const NTReg& reg);

// Keyboard focus. The controls a user can focus (value sliders, keys, key sets) in the canvas's
// order (the pre-order of the window tree, as windows are numbered).
std::vector<NTWin*> FocusableControls(NTWin* root);
// The control after (or before) current, going round; the first (last) when current is null or
// no longer in the tree; null when there is none.
NTWin* NextFocus(NTWin* root, NTWin* current, bool forward);
// Whether w is a window of the tree below root.
bool InTree(const NTWin* root, const NTWin* w);
// What the focus mark surrounds: a key, a key set, or a value slider's column with its read-out.
Rect FocusArea(const NTWin& control);

// Holding a step arrow: after a short delay the value slider steps again and again, each step as
// a click's. The release still steps once, as ever. Ticked by the canvas's timer.
class TStepRepeat {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kDelay = std::chrono::milliseconds(400);
  static constexpr Clock::duration kInterval = std::chrono::milliseconds(60);

  void Tick(TWindowOwner& owner, Clock::time_point now);

 private:
  const NTButton* held_ = nullptr;
  Clock::time_point next_{};
};
