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

# Waits until the screen pixel at canvas (x, y) has (or, with "not", no longer has) a colour.
wait_pixel() {  # name, x, y, [not] colour
  local want=$4 neg=""
  [ "$4" = not ] && neg=1 want=$5
  for ((t = 0; t < 50; t++)); do
    shot "$1"
    local got
    got=$(pixel "$1" $((ox + $2)) $((oy + $3)))
    if [ -n "$neg" ]; then [ "$got" != "$want" ] && return 0; else [ "$got" = "$want" ] && return 0; fi
    sleep 0.1
  done
  fail "$1: pixel ($2, $3) stays $got"
}
canvas_crop() { convert "$shots/$1" -crop "900x500+$ox+$oy" +repage "$shots/$2"; }
wait_title() { timeout 10 xdotool search --sync --name "$1" >/dev/null || fail "no title $1"; }

# A VCO over the Input and the Filter, put down at (60, 100): its title strip then lies over
# the Input's panel.
input=$(pixel origin.png $((ox + 70)) $((oy + 105)))
xdotool key alt+e
timeout 5 xdotool search --sync --onlyvisible --class quarvin >/dev/null
xdotool key v
xdotool mousemove $((ox + 60)) $((oy + 100))
wait_pixel placing.png 70 105 not "$input"
xdotool click 1
wait_pixel placed.png 70 105 not "$input"
title=$(pixel placed.png $((ox + 70)) $((oy + 105)))

# Its title dragged by 400, 300: the VCO moves, the Input beneath it does not.
xdotool mousemove $((ox + 70)) $((oy + 105)) mousedown 1
xdotool mousemove $((ox + 270)) $((oy + 205))
xdotool mousemove $((ox + 470)) $((oy + 405)) mouseup 1
wait_pixel dragged.png 470 405 "$title"
wait_pixel dragged.png 70 105 "$input"

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
for ((t = 0; t < 50; t++)); do
  shot restored.png
  canvas_crop restored.png after.png
  [ "$(compare -metric AE "$shots/before.png" "$shots/after.png" null: 2>&1)" = 0 ] && break
  sleep 0.1
done
[ "$(compare -metric AE "$shots/before.png" "$shots/after.png" null: 2>&1)" = 0 ] ||
  fail "Ctrl+0 did not restore the pixels of 100 %"

# A cable from the Filter's output (centre 247, 251), then 32 notches of Shift+wheel to the
# right (48 pixels each): the Output's L jack (centre 2424, 80) is at 888, 80 in the window.
xdotool mousemove $((ox + 247)) $((oy + 251)) click 1
xdotool mousemove $((ox + 600)) $((oy + 300))
xdotool keydown shift click --repeat 32 --delay 20 5 keyup shift
wait_pixel scrolled.png 888 80 not 000000
wait_pixel scrolled.png 870 200 not "$(pixel origin.png $((ox + 870)) $((oy + 200)))"
xdotool mousemove $((ox + 888)) $((oy + 80)) click 1
# The pointer goes away; a cable would follow it, the wire stays. It runs down from the jack
# through the column 40 pixels left of it.
xdotool mousemove $((ox + 400)) $((oy + 450))
for ((t = 0; t < 50; t++)); do
  shot wired.png
  black=$(convert "$shots/wired.png" -crop 1x300+$((ox + 848))+$((oy + 40)) txt:- | grep -c '#000000' || true)
  [ "$black" -gt 0 ] && break
  sleep 0.1
done
[ "$black" -gt 0 ] || fail "no wire into the Output's L jack"

xdotool key alt+d
timeout 5 xdotool search --sync --onlyvisible --class quarvin >/dev/null
xdotool key b
e2e_answer n
e2e_expect_exit 0
echo "PASS"
