#!/usr/bin/env bash
# The real program end to end: under a virtual X server, with a dummy JACK server as its sound
# card. Checks the start panels on the background tiles, makes a wire with two clicks,
# deletes a panel through its popup menu, and ends the program from the keyboard with "Datei" /
# "Beenden", which must exit with code 0.
# Usage: e2e_test.sh PROGRAM [SHOT_DIR]   (screenshots go to SHOT_DIR, default: the current dir)
set -euo pipefail

if [ -z "${QUARVIN_E2E_IN_X:-}" ]; then
  exec env QUARVIN_E2E_IN_X=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

program=$(realpath "$1")
shots=$(realpath "${2:-.}")
work=$(mktemp -d)
# A server of our own, so that parallel runs and other JACK users do not meet.
export JACK_DEFAULT_SERVER="quarvin-e2e-$$"
jack_pid="" program_pid=""

cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  if [ -n "$jack_pid" ]; then
    kill "$jack_pid" 2>/dev/null || true
    wait "$jack_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*.log; do
    echo "--- $log" >&2
    cat "$log" >&2
  done
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
poll() {
  local tries=$1
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

shot() { import -window root "$shots/$1"; }
# The colour of a screen pixel as RRGGBB.
pixel() { convert "$shots/$1" -format "%[hex:p{$2,$3}]" info:; }

jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 44100 -p 256 >"$work/jackd.log" 2>&1 &
jack_pid=$!
poll 50 jack_lsp || fail "the JACK server did not answer"

"$program" >"$work/quarvin.log" 2>&1 &
program_pid=$!
window=$(timeout 10 xdotool search --sync --name Quarvin | head -n 1) ||
  fail "no window named Quarvin"
xdotool windowfocus --sync "$window" 2>/dev/null || true
# The program streams through the server: it has ports of its own beside the server's "system".
poll 50 bash -c "jack_lsp | grep -qv '^system:'" || fail "the program opened no sound card ports"
sleep 1

# The canvas starts where the first background tile (RGB 70, 255, 70) begins below the menu bar.
shot start.png
oy=$(convert "$shots/start.png" -crop 1x200+0+0 txt:- | awk -F'[,:]' '/#46FF46/ && !found {print $2; found = 1}')
[ -n "$oy" ] || fail "no background tile at the left edge"
ox=0
echo "canvas origin on screen: ($ox, $oy)"

expect() {  # shot, canvas x, y, colour, what
  local got
  got=$(pixel "$1" $((ox + $2)) $((oy + $3)))
  [ "$got" = "$4" ] || fail "$5: pixel ($2, $3) is $got, expected $4"
}
expect start.png 10 10 FFFFFF "Input panel's top-left corner"
expect start.png 100 10 FFFFFF "Output panel's top-left corner"
expect start.png 9 9 46FF46 "tile above and left of Input"
expect start.png 99 9 4AFF4A "tile above and left of Output"

# Black pixels in the column between the panels, where the wire hangs.
wire_pixels() {
  convert "$shots/$1" -crop 1x20+$((ox + 95))+$((oy + 48)) txt:- | grep -c '#000000' || true
}
[ "$(wire_pixels start.png)" = 0 ] || fail "a wire before any connection"

# Input "L" (panel-relative 48, 32) to Output "L" (16, 32); connectors are 16 x 16.
click() {
  xdotool mousemove $((ox + $1)) $((oy + $2)) click 1
  sleep 0.3
}
click $((10 + 48 + 8)) $((10 + 32 + 8))
click $((100 + 16 + 8)) $((10 + 32 + 8))
sleep 0.5
shot wired.png
[ "$(wire_pixels wired.png)" -gt 0 ] || fail "no wire between Input L and Output L"

# The device popup: right-click the Input panel and choose "&Löschen" by its letter; the panel
# and its wire go.
xdotool mousemove $((ox + 40)) $((oy + 112)) click 3
sleep 0.5
xdotool key l
sleep 0.5
shot deleted.png
expect deleted.png 10 10 46FF46 "background where the deleted Input was"
expect deleted.png 100 10 FFFFFF "Output panel after deleting Input"
[ "$(wire_pixels deleted.png)" = 0 ] || fail "the wire outlived the deleted Input"

# "&Datei" -> "&Beenden" from the keyboard.
xdotool key alt+d
sleep 0.5
xdotool key b
poll 50 bash -c "! kill -0 $program_pid" || fail "the program did not end after Beenden"
status=0
wait "$program_pid" || status=$?
program_pid=""
[ "$status" = 0 ] || fail "exit code $status"
echo "PASS"
