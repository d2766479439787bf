#!/usr/bin/env bash
# Editing end to end: a wired panel deleted with its popup comes back with Ctrl+Z, on the screen
# and in the saved file; two panels chosen with a rubber band, copied, and pasted into a new,
# emptied patch save the same file as the two did on their own.
# Usage: e2e_edit.sh PROGRAM [SHOT_DIR]   (screenshots go to SHOT_DIR, default: the current dir)
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

e2e_start_jack
e2e_start_program

# Input "L" to Output "L", then the wired patch as it is.
click $((10 + 48 + 8)) $((10 + 32 + 8))
click $((100 + 16 + 8)) $((10 + 32 + 8))
e2e_save_as ctrl+shift+s "$work/wired.qvn"

# The Output panel's popup, "&Löschen": panel and wire go, the caption marks the change.
e2e_menu l mousemove $((ox + 130)) $((oy + 112)) click 3
poll 50 modified || fail "no * after the delete: $(caption)"
wait_pixel deleted.png 100 10 != FFFFFF "the Output panel is still there"
[ "$(wire_pixels deleted.png)" = 0 ] || fail "the wire outlived the deleted Output"

# Ctrl+Z: the same panel and its wire are back, and the patch is the saved one again.
xdotool key ctrl+z
poll 50 unmodified || fail "still modified after Ctrl+Z: $(caption)"
wait_pixel undone.png 100 10 = FFFFFF "Output panel's top-left corner after Ctrl+Z"
[ "$(wire_pixels undone.png)" -gt 0 ] || fail "no wire after Ctrl+Z"
e2e_save_as ctrl+shift+s "$work/undone.qvn"
cmp "$work/wired.qvn" "$work/undone.qvn" || fail "the file after Ctrl+Z differs from the one before the delete"

# A rubber band from the empty background across both panels; the marks show the selection.
xdotool mousemove $((ox + 300)) $((oy + 300)) mousedown 1
xdotool mousemove $((ox + 200)) $((oy + 200))
xdotool mousemove $((ox + 50)) $((oy + 50))
xdotool mouseup 1
wait_pixel band.png 6 50 = FF8000 "selection mark left of the Input panel"
xdotool key ctrl+c
# "Neu", then everything in it deleted: the paste goes into an empty patch, at the pointer.
xdotool key ctrl+n
xdotool key ctrl+a
xdotool key Delete
wait_pixel emptied.png 100 10 != FFFFFF "the new patch was not emptied"
xdotool mousemove $((ox + 10)) $((oy + 10))
xdotool key ctrl+v
poll 50 modified || fail "nothing was pasted: $(caption)"
wait_pixel pasted.png 100 10 = FFFFFF "pasted Output panel"
[ "$(wire_pixels pasted.png)" -gt 0 ] || fail "the pasted panels lost their wire"
e2e_save_as ctrl+shift+s "$work/pasted.qvn"
cmp "$work/wired.qvn" "$work/pasted.qvn" || fail "the pasted patch differs from the two panels saved on their own"

xdotool key ctrl+q
e2e_expect_exit 0
echo "PASS"
