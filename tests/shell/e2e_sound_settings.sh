#!/usr/bin/env bash
# The sound settings and a lost sound server, end to end on a dummy JACK server at 48000 Hz.
# The live runner notices the server's end and exits 1 with our message within two seconds. In
# the program, "Hilfsmittel → Soundkarte..." chooses a block length and restarts the sound; the
# choice lands in the settings file under XDG_CONFIG_HOME and the dialog shows it after a
# new start of the program. When the server ends under the program, its error box says so and the
# window stays with its patch; with a server back, the dialog's "Ton neu starten" brings the
# sound back.
# Usage: e2e_sound_settings.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

export XDG_CONFIG_HOME="$work/config"
settings="$XDG_CONFIG_HOME/quarvin/quarvin.conf"
build=$(dirname "$program")
"$build/quarvin-bench-patches" "$work" 1

open_dialog() {
  xdotool windowfocus "$window" 2>/dev/null || true
  e2e_menu k key alt+h
  e2e_focus Soundkarte
}

# The live runner and a server that ends.
e2e_start_jack 128 48000
"$build/quarvin-render" --live "$work/passthrough.qvn" --block 128 2>"$work/runner.log" &
runner_pid=$!
e2e_wait_port quarvin:out_L
e2e_stop_jack
started=$(date +%s%N)
status=0
poll 30 bash -c "! kill -0 $runner_pid" || fail "the live runner goes on without its server"
wait "$runner_pid" || status=$?
took_ms=$((($(date +%s%N) - started) / 1000000))
[ "$status" = 1 ] || fail "the live runner ended with $status after losing its server"
grep -q "Die Verbindung zur Soundkarte ist abgerissen" "$work/runner.log" ||
  fail "no message about the lost server: $(cat "$work/runner.log")"
echo "live runner: exit 1 with the message ${took_ms} ms after the server had ended"

# The dialog: the second block length (64 frames), then "Ton neu starten".
e2e_start_jack 128 48000
e2e_start_program "$(realpath "$(dirname "$0")/../../examples/lfo_vco.qvn")"
open_dialog
xdotool key alt+b Down alt+n
poll 30 grep -q '^Block=64$' "$settings" || fail "the block length was not remembered"
shot dialog.png
xdotool key Escape
e2e_wait_closed Soundkarte

# The server ends under the program: the error box, the window and its patch stay.
e2e_stop_jack
timeout 10 xdotool search --sync --onlyvisible --name '^Error$' >/dev/null ||
  fail "no error box about the lost server"
shot lost.png
kill -0 "$program_pid" || fail "the program ended with its server"
e2e_answer Return Error
title=$(xdotool getwindowname "$window")
[[ "$title" == *lfo_vco.qvn ]] || fail "the patch is gone: '$title'"

# A server again, and the sound back through the dialog.
e2e_start_jack 128 48000
open_dialog
xdotool key alt+n
e2e_wait_port quarvin:out_L
xdotool key Escape
e2e_wait_closed Soundkarte
echo "program: error box on the lost server, sound back through the dialog"
xdotool windowfocus "$window" 2>/dev/null || true
e2e_menu b key alt+d
e2e_expect_exit 0

# Started again, the program runs with the remembered choice: the dialog shows it, so applying
# it unchanged writes it again.
rm "$settings"
echo -e "[Soundkarte]\nBlock=64" >"$settings"
e2e_start_program
open_dialog
xdotool key alt+n
poll 30 grep -q '^Eingang=' "$settings" || fail "the dialog did not apply"
grep -q '^Block=64$' "$settings" || fail "the remembered block length was not shown after a restart"
xdotool key Escape
echo "PASS"
