#!/usr/bin/env bash
# MIDI learn end to end: in examples/midi_vco.qvn the VCO's Freq slider learns CC 74 on channel 1
# from its popup (yellow mark), a sweep of that controller sent to quarvin:midi_in moves it (orange
# mark, new read-out, modified title), the save writes the mapping beside the patch, and one
# Ctrl+Z takes the whole sweep back: the patch saved then is the example again (but for the
# VCO's running phase).
# Usage: e2e_midi_learn.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

build=$(dirname "$program")
example=$(realpath "$(dirname "$0")/../../examples/midi_vco.qvn")
# The Freq read-out's digits (right of the mark in its corner) as a picture checksum.
readout() { convert "$shots/$1" -crop 22x8+$((ox + 186))+$((oy + 73)) -format '%#' info:; }
# Whether two saves of the example are the same patch: the word at byte 193, the VCO's phase, runs
# with the sound.
same_patch() {  # file, file
  cmp -s <(head -c 193 "$1") <(head -c 193 "$2") && cmp -s <(tail -c +198 "$1") <(tail -c +198 "$2")
}
readout_is() {  # shot, = or !=, checksum
  shot "$1"
  test "$(readout "$1")" "$2" "$3"
}

[ -x "$build/jack_cc_send" ] || fail "no $build/jack_cc_send: build the target jack_cc_send"
e2e_start_jack
e2e_start_program "$example"

# The popup of the Freq slider, "&MIDI zuweisen...": the slider waits with a yellow mark.
e2e_menu m mousemove $((ox + 194)) $((oy + 130)) click 3
wait_pixel learning.png 182 73 = FFFF00 "mark of the waiting Freq slider"
before=$(readout learning.png)

# The first message maps the slider, the rest of the sweep moves it in one gesture.
"$build/jack_cc_send" quarvin:midi_in 1 74 20 64 70 80 90 100 >"$work/cc_send.log" 2>&1 ||
  fail "jack_cc_send failed"
poll 50 modified || fail "no * after the controller sweep: $(caption)"
wait_pixel mapped.png 182 73 = FF8000 "mark of the mapped Freq slider"
poll 50 readout_is moved.png != "$before" || fail "the Freq read-out did not change"
e2e_save_as ctrl+shift+s "$work/moved.qvn"
grep -qx '2 2 cc 1 74' "$work/moved.qvn.midi" || fail "no mapping of CC 74 to the VCO's Freq: $(cat "$work/moved.qvn.midi")"
same_patch "$example" "$work/moved.qvn" && fail "the saved patch does not hold the moved frequency"

# One Ctrl+Z undoes the sweep; the mapping stays.
xdotool key ctrl+z
poll 50 readout_is undone.png = "$before" || fail "the Freq read-out is not back after Ctrl+Z"
poll 50 modified || fail "no * after Ctrl+Z of the saved sweep: $(caption)"
e2e_save_as ctrl+shift+s "$work/undone.qvn"
same_patch "$example" "$work/undone.qvn" || fail "the patch after Ctrl+Z differs from the example"
cmp "$work/moved.qvn.midi" "$work/undone.qvn.midi" || fail "Ctrl+Z changed the mapping"

xdotool key ctrl+q
e2e_expect_exit 0
echo "PASS"
