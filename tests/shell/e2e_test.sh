#!/usr/bin/env bash
# The real program end to end: under a virtual X server, with a dummy JACK server as its sound
# card. Checks the start panels on the background tiles, makes a wire with two clicks,
# deletes a panel through its popup menu, and ends the program from the keyboard with "Datei" /
# "Beenden", answering "Nein" to saving the changes, which must exit with code 0.
# Usage: e2e_test.sh PROGRAM [SHOT_DIR]   (screenshots go to SHOT_DIR, default: the current dir)
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

e2e_start_jack
e2e_start_program
mv "$shots/origin.png" "$shots/start.png"
echo "canvas origin on screen: ($ox, $oy)"
expect start.png 10 10 FFFFFF "Input panel's top-left corner"
expect start.png 100 10 FFFFFF "Output panel's top-left corner"
expect start.png 9 9 46FF46 "tile above and left of Input"
expect start.png 99 9 4AFF4A "tile above and left of Output"

[ "$(wire_pixels start.png)" = 0 ] || fail "a wire before any connection"

# Input "L" (panel-relative 48, 32) to Output "L" (16, 32); connectors are 16 x 16.
click $((10 + 48 + 8)) $((10 + 32 + 8))
click $((100 + 16 + 8)) $((10 + 32 + 8))
poll 50 wire_pixels_are wired.png -gt 0 || fail "no wire between Input L and Output L"

# The device popup: right-click the Input panel and choose "&Löschen" by its letter; the panel
# and its wire go.
e2e_menu l mousemove $((ox + 40)) $((oy + 112)) click 3
wait_pixel deleted.png 10 10 = 46FF46 "background where the deleted Input was"
expect deleted.png 100 10 FFFFFF "Output panel after deleting Input"
[ "$(wire_pixels deleted.png)" = 0 ] || fail "the wire outlived the deleted Input"

# "&Datei" -> "&Beenden" from the keyboard; the changes are not to be saved ("Nein").
e2e_menu b key alt+d
e2e_answer n
e2e_expect_exit 0
echo "PASS"
