#!/usr/bin/env bash
# A value typed into a read-out, end to end: a VCO wired to the Output is turned off 440 Hz with
# the wheel, then its frequency read-out is double-clicked, "440" typed and Enter pressed. The
# read-out shows 440.0 again (as on a new VCO) and the saved patch, rendered by the render tool,
# sounds at 440 Hz within 0.1 Hz.
# Usage: e2e_typed_value.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"
render="$(dirname "$program")/quarvin-render"

# The VCO's top-left corner on the canvas; its read-out "Freq" and value slider relative to it.
vx=300 vy=150
dx=$((vx + 10)) dy=$((vy + 31))

# The read-out's 28 x 13 pixels in a fresh screenshot, as a checksum.
readout() {
  shot readout.png
  convert "$shots/readout.png" -crop 28x13+$((ox + dx))+$((oy + dy)) rgb:- | md5sum
}
readout_is() {  # = or !=, checksum
  test "$(readout)" "$1" "$2"
}

e2e_start_jack
e2e_start_program

# "&Einfügen" -> "&VCO", put down at (vx, vy); its border's white corner shows it is there.
e2e_menu v key alt+e
xdotool mousemove $((ox + vx)) $((oy + vy))
wait_pixel wait.png 0 0 = "$(pixel origin.png $ox $oy)" "the canvas moved"
xdotool click 1
wait_pixel wait.png $vx $vy = FFFFFF "no VCO at ($vx, $vy)"
fresh=$(readout)
cp "$shots/readout.png" "$shots/typed_fresh.png"

# VCO "Out" (centre 97, 211) to Output "L" (centre 124, 50).
click $((vx + 97)) $((vy + 211))
click 124 50

# Three notches up over the slider: 447.6 Hz.
xdotool mousemove $((ox + vx + 24)) $((oy + vy + 120)) click 4 click 4 click 4
poll 50 readout_is != "$fresh" || fail "the wheel did not turn the frequency"
cp "$shots/readout.png" "$shots/typed_wheel.png"

# Double click on the read-out: the entry opens over it (white), filled with "447,6 Hz".
xdotool mousemove $((ox + dx + 14)) $((oy + dy + 6)) click --repeat 2 --delay 60 1
wait_pixel wait.png $((dx + 14 + 38)) $((dy + 6)) = FFFFFF "no entry over the read-out"
shot typed_entry.png
xdotool key ctrl+a
xdotool type --delay 30 440
xdotool key Return
poll 50 readout_is = "$fresh" || fail "the read-out does not show 440.0 after typing 440"
shot typed_done.png

# Saved (Ctrl+S asks for a name: the patch is untitled) and rendered for one second.
e2e_save_as ctrl+s "$work/typed.qvn"
"$render" "$work/typed.qvn" -o "$work/typed.wav" -b 15 -q >"$work/render.log" 2>&1 ||
  fail "the render tool failed"

# The fundamental from the rising zero crossings of the left channel, interpolated linearly.
data=$(grep -obUaP 'data' "$work/typed.wav" | head -n 1 | cut -d: -f1)
hz=$(od -An -v -t d2 -j $((data + 8)) "$work/typed.wav" | tr -s ' ' '\n' | awk '
  NF && (n++ % 2 == 0) {
    if (seen && prev < 0 && $1 >= 0) {
      t = i - 1 + prev / (prev - $1)
      if (!count++) first = t
      last = t
    }
    prev = $1; seen = 1; i++
  }
  END { if (count > 100) printf "%.3f", (count - 1) * 44100 / (last - first) }')
echo "fundamental: ${hz:-none} Hz"
[ -n "$hz" ] || fail "the rendered patch is silent"
awk -v f="$hz" 'BEGIN { exit !(f > 439.9 && f < 440.1) }' || fail "fundamental $hz Hz, not 440 Hz"
echo "PASS"
