#!/usr/bin/env bash
# Recording end to end: the program plays a patch on a dummy JACK server; Ctrl+R, a file name in
# the dialog and Return start a recording, the title counts it, Ctrl+R three seconds later ends it
# with a report, and the file holds three seconds of sound, give or take a block.
# Usage: e2e_recording.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

examples=$(realpath "$(dirname "$0")/../../examples")
take="$work/take.wav"
e2e_start_jack
e2e_start_program "$examples/lfo_vco.qvn"
poll 30 xdotool search --name "^Quarvin V1.01 - $examples/lfo_vco.qvn\$" || fail "the patch did not open"

# One take of three seconds into $1; prints its frames. Both of its ends are states the test
# sees: the title names the recording from its start, and the stop is a keystroke on the clock.
take() {
  xdotool key ctrl+r
  local data start left
  e2e_focus 'Aufnahme starten'
  shot recording_dialog.png
  xdotool type --delay 20 "$1"
  xdotool key Return
  for ((i = 0; i < 500; i++)); do
    xdotool getwindowname "$window" | grep -Eq ' - Aufnahme 0:00, [0-9]+ Aussetzer$' && break
    sleep 0.01  # polled finely: the take's three seconds are timed from here
  done
  start=$(date +%s%N)
  [ "$i" -lt 500 ] || fail "the title shows no recording"
  xdotool windowfocus "$window" 2>/dev/null || true
  left=$(((start + 3000000000 - $(date +%s%N)) / 1000000))
  # The one sleep that is meant: it is the take's length.
  [ "$left" -gt 0 ] && sleep "$((left / 1000)).$(printf %03d $((left % 1000)))"
  xdotool key ctrl+r
  timeout 10 xdotool search --sync --onlyvisible --name '^Aufnahme$' >/dev/null ||
    fail "no report at the end of the recording"
  shot recording_report.png
  e2e_answer Return Aufnahme
  poll 30 bash -c "! xdotool search --name ' - Aufnahme '" || fail "the title still shows the recording"
  # The frames: the bytes after the data chunk's header, four to a frame.
  data=$(grep -boa data "$1" | head -n 1 | cut -d: -f1)
  echo $((($(stat -c %s "$1") - data - 8) / 4))
}

# A busy machine makes the dummy server skip cycles of the program (its log says "XRun"): that
# time never reached the card, so a take with such cycles may come out short and is repeated.
xruns() { grep -c XRun "$work/jackd.log" || true; }
for n in 1 2 3; do
  before=$(xruns)
  frames=$(take "$work/take$n.wav")
  skipped=$(($(xruns) - before))
  echo "take $n: $frames frames (3 s are 132300), $skipped server xruns"
  [ $((frames > 132300 ? frames - 132300 : 132300 - frames)) -le 3000 ] && break
  [ "$skipped" -gt 0 ] || fail "take $n holds $frames frames, not 3 s ± one block"
  [ "$n" = 3 ] && fail "no take held 3 s ± one block"
done

e2e_menu b key alt+d
e2e_expect_exit 0
echo "PASS"
