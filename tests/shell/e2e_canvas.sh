#!/usr/bin/env bash
# The canvas end to end, under a virtual X server with a dummy JACK server as the sound card:
# a VCO inserted over the Input and the Filter is dragged by its title (the VCO moves, the
# Input under it stays); zooming in with Ctrl+wheel and back with Ctrl+0 gives the pixels of
# 100 % again; the Output, placed far right in the file, is scrolled to with Shift+wheel and
# wired while the cable hangs from the Filter, which has scrolled out of the window.
# Usage: e2e_canvas.sh PROGRAM [SHOT_DIR]   (screenshots go to SHOT_DIR, default: .)
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

# The filter example with its Output unconnected and moved to x = 2400 (the words of the
# patch file that hold them).
patch="$work/far.qvn"
cp "$(dirname "$0")/../../examples/filter.qvn" "$patch"
put_word() { printf "$2" | dd of="$patch" bs=1 seek="$1" conv=notrunc status=none; }
put_word 149 '\x00\x00\x00\x00'
put_word 157 '\x00\x00\x00\x00'
put_word 161 '\x60\x09\x00\x00'

e2e_start_jack
e2e_start_program "$patch"

canvas_crop() { convert "$shots/$1" -crop "900x500+$ox+$oy" +repage "$shots/$2"; }
wait_title() { timeout 10 xdotool search --sync --name "$1" >/dev/null || fail "no title $1"; }
# Whether a fresh screenshot shows the canvas as it was before the zoom.
unzoomed() {
  shot restored.png
  canvas_crop restored.png after.png
  [ "$(compare -metric AE "$shots/before.png" "$shots/after.png" null: 2>&1)" = 0 ]
}
# Whether a fresh screenshot shows a wire in the column 40 pixels left of the Output's L jack.
wired() {
  shot wired.png
  [ "$(convert "$shots/wired.png" -crop 1x300+$((ox + 848))+$((oy + 40)) txt:- | grep -c '#000000')" -gt 0 ]
}

# A VCO over the Input and the Filter, put down at (60, 100): its title strip then lies over
# the Input's panel.
input=$(pixel origin.png $((ox + 70)) $((oy + 105)))
e2e_menu v key alt+e
xdotool mousemove $((ox + 60)) $((oy + 100))
wait_pixel placing.png 70 105 != "$input" "the new VCO does not follow the pointer"
xdotool click 1
wait_pixel placed.png 70 105 != "$input" "no VCO put down"
title=$(pixel placed.png $((ox + 70)) $((oy + 105)))

# Its title dragged by 400, 300: the VCO moves, the Input beneath it does not.
xdotool mousemove $((ox + 70)) $((oy + 105)) mousedown 1
xdotool mousemove $((ox + 270)) $((oy + 205))
xdotool mousemove $((ox + 470)) $((oy + 405)) mouseup 1
wait_pixel dragged.png 470 405 = "$title" "the VCO's title did not move"
wait_pixel dragged.png 70 105 = "$input" "the Input did not show again"

# Zoom in twice around the pointer, then Ctrl+0: the same pixels as before.
xdotool mousemove $((ox + 300)) $((oy + 250))
canvas_crop dragged.png before.png
xdotool keydown ctrl click 4 keyup ctrl
wait_title " - 125 %$"
xdotool keydown ctrl click 4 keyup ctrl
wait_title " - 150 %$"
shot zoomed.png
canvas_crop zoomed.png zoomed_canvas.png
! compare -metric AE "$shots/before.png" "$shots/zoomed_canvas.png" null: 2>/dev/null ||
  fail "zooming changed nothing"
xdotool key ctrl+0
wait_title "^Quarvin V1.01 - [^%]*$"
poll 50 unzoomed || fail "Ctrl+0 did not restore the pixels of 100 %"

# A cable from the Filter's output (centre 247, 251), then 32 notches of Shift+wheel to the
# right (48 pixels each): the Output's L jack (centre 2424, 80) is at 888, 80 in the window.
xdotool mousemove $((ox + 247)) $((oy + 251)) click 1
xdotool mousemove $((ox + 600)) $((oy + 300))
xdotool keydown shift click --repeat 32 --delay 20 5 keyup shift
wait_pixel scrolled.png 888 80 != 000000 "the scroll did not reach the Output"
wait_pixel scrolled.png 870 200 != "$(pixel origin.png $((ox + 870)) $((oy + 200)))" "the canvas did not scroll"
xdotool mousemove $((ox + 888)) $((oy + 80)) click 1
# The pointer goes away; a cable would follow it, the wire stays. It runs down from the jack
# through the column 40 pixels left of it.
xdotool mousemove $((ox + 400)) $((oy + 450))
poll 50 wired || fail "no wire into the Output's L jack"

e2e_menu b key alt+d
e2e_answer n
e2e_expect_exit 0
echo "PASS"
