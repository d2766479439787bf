#!/usr/bin/env bash
# The real program as a desktop user meets it: the provisional cable follows the pointer and
# Escape drops it, a new panel waits while the menu bar opens a menu, the file
# shortcuts open German dialogs (the overwrite question is answered with its "&Ja" button) and
# Ctrl+Q ends the program with code 0.
# Usage: e2e_desktop.sh PROGRAM [SHOT_DIR]   (screenshots go to SHOT_DIR, default: .)
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

e2e_start_jack
e2e_start_program
mv "$shots/origin.png" "$shots/desktop_start.png"

# Black pixels in canvas column $2 between rows $3 and $4 of screenshot $1.
black_in_column() {
  convert "$shots/$1" -crop 1x$(($4 - $3))+$((ox + $2))+$((oy + $3)) txt:- | grep -c '#000000' || true
}
# Whether a fresh screenshot $1 has black pixels at x = 300 to the given test ("-gt 0", "= 0").
cable_at_300() {  # shot, test, number
  shot "$1"
  test "$(black_in_column "$1" 300 40 400)" "$2" "$3"
}

# The cable hangs from Input "L" (centre 66, 50) to the pointer at (400, 300) and crosses the
# empty background at x = 300; Escape takes it and the connector's frame away.
click 66 50
xdotool mousemove $((ox + 400)) $((oy + 300))
poll 50 cable_at_300 pending_cable.png -gt 0 || fail "no cable at x = 300"
xdotool key Escape
poll 50 cable_at_300 after_escape.png = 0 || fail "the cable outlived Escape"
for p in "58 42" "73 57" "400 300" "300 200"; do
  read -r x y <<<"$p"
  [ "$(pixel after_escape.png $((ox + x)) $((oy + y)))" = \
    "$(pixel desktop_start.png $((ox + x)) $((oy + y)))" ] || fail "($x, $y) changed by the cancelled cable"
done

# "&Einfügen" -> "&VCO"; the new panel follows the pointer to (600, 100); on the menu bar it waits
# there and the menu still opens: "&Einfügen" -> "&VCO" again puts the first VCO down where it
# waited, and the second one follows to (300, 300).
# The Einfügen menu drops over the canvas point (200, 150), which is background otherwise.
background=$(pixel desktop_start.png $((ox + 200)) $((oy + 150)))
menu_shown() {
  shot menu.png
  [ "$(pixel menu.png $((ox + 200)) $((oy + 150)))" "$1" "$background" ]
}
xdotool key alt+e
poll 50 menu_shown != || fail "no Einfügen menu from the keyboard"
xdotool key v
poll 50 menu_shown = || fail "the menu stayed open"
xdotool mousemove $((ox + 600)) $((oy + 100))
# "Einfügen" is the fourth menu, after Datei, Bearbeiten and Ansicht.
xdotool mousemove $((ox + 220)) $((oy / 2)) click 1
poll 50 menu_shown != || fail "the menu bar did not open the Einfügen menu while a panel followed"
xdotool key v
poll 50 menu_shown = || fail "the menu stayed open"
xdotool mousemove $((ox + 300)) $((oy + 300)) click 1
wait_pixel placed_from_menu_bar.png 300 300 = FFFFFF "the second VCO's top-left corner"
expect placed_from_menu_bar.png 600 100 FFFFFF "the waiting VCO's top-left corner where it waited"
expect placed_from_menu_bar.png 300 300 FFFFFF "the second VCO's top-left corner"

# Ctrl+Shift+S: the save dialog speaks German; saving over an existing file asks, "&Ja" replaces.
echo "alt" >"$work/old.qvn"
xdotool key ctrl+shift+s
e2e_focus 'Speichern unter'
dialog=$shown
xdotool type --delay 20 "$work/old.qvn"
xdotool key Return
# The question is a second window with the dialog's title.
poll 50 bash -c "xdotool search --onlyvisible --name '^Speichern unter\$' | grep -vqx $dialog" ||
  fail "no overwrite question: $(window_names)"
question=$(xdotool search --onlyvisible --name '^Speichern unter$' | grep -vx "$dialog" | head -n 1)
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key alt+j
poll 30 bash -c "[ \"\$(head -c 1 '$work/old.qvn')\" = ':' ]" ||
  fail "the overwrite question had no German \"&Ja\" button or the file was not written"
main=$(xdotool search --name '^Quarvin V1\.01 - ' | head -n 1)
[ -n "$main" ] || fail "no main window"
poll 30 bash -c "xdotool getwindowname $main | grep -qF '$work/old.qvn'" ||
  fail "the caption lacks the file: $(xdotool getwindowname "$main")"

# Ctrl+O opens the German open dialog; Escape closes it. Without a window manager the focus
# does not come back by itself after a dialog.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key ctrl+o
e2e_focus 'Öffnen'
xdotool key Escape
e2e_wait_closed 'Öffnen'

xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key ctrl+q
e2e_expect_exit 0
echo "PASS"
