#!/usr/bin/env bash
# Live sound end to end against a dummy JACK server with 128-frame periods: the program opens a
# patch given on the command line, in the default mode and with --block 128, as the JACK client
# "quarvin" with its ports connected to the system's; `quarvin --geraete` lists JACK's device;
# `quarvin-render --live --block 128` runs a pass-through patch without a window, jack_iodelay
# measures the round trip through it, and SIGTERM ends it with exit code 0 and a summary.
# Figures are printed, not asserted: the machine running the tests may be busy.
# Usage: e2e_live.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

build=$(dirname "$program")
examples=$(realpath "$(dirname "$0")/../../examples")
e2e_start_jack 128

"$program" --geraete >"$work/devices.log" 2>&1 || fail "--geraete failed"
grep -q 'JACK.*system' "$work/devices.log" || fail "--geraete does not list JACK's device"
grep -Eq "ALSA lib|Cannot connect" "$work/devices.log" && fail "sound library noise on the terminal"

ports_connected() {
  timeout 5 jack_lsp -c >"$work/ports.log"
  for port in in_L in_R out_L out_R; do grep -q "^quarvin:$port$" "$work/ports.log" || return 1; done
  grep -A1 '^quarvin:in_L$' "$work/ports.log" | grep -q 'system:capture_1' &&
    grep -A1 '^quarvin:out_R$' "$work/ports.log" | grep -q 'system:playback_2'
}

for mode in "" "--block 128"; do
  # shellcheck disable=SC2086
  e2e_start_program $mode "$examples/showcase.qvn"
  poll 30 ports_connected || fail "ports of quarvin ($mode) missing or not connected: $(cat "$work/ports.log")"
  # The patch is opened once the window is up: its name appears in the title.
  poll 30 xdotool search --name "^Quarvin V1.01 - $examples/showcase.qvn\$" ||
    fail "no window titled with the patch ($mode)"
  grep -Eq "ALSA lib|Cannot connect" "$work/quarvin.log" && fail "sound library noise on the terminal"
  click 900 520  # the empty canvas, for the keyboard focus
  e2e_menu b key alt+d
  e2e_expect_exit 0
  echo "program ${mode:-in the default mode} opened the patch from the command line: ok"
done

# Live without a window.
"$build/quarvin-bench-patches" "$work" 1
"$build/quarvin-render" --live "$work/passthrough.qvn" --block 128 2>"$work/runner.log" &
runner_pid=$!
poll 50 bash -c "timeout 5 jack_lsp | grep -q '^quarvin:out_L'" || fail "the live runner opened no ports"
stdbuf -oL jack_iodelay >"$work/iodelay.log" 2>&1 &
delay_pid=$!
poll 50 bash -c "timeout 5 jack_lsp | grep -q '^jack_delay:out'" || fail "jack_iodelay did not start"
timeout 10 jack_connect jack_delay:out quarvin:in_L || fail "jack_connect to the runner hung or failed"
timeout 10 jack_connect quarvin:out_L jack_delay:in || fail "jack_connect from the runner hung or failed"
# jack_iodelay reports a round trip once it hears its own signal come back.
poll 100 grep -aq 'total roundtrip' "$work/iodelay.log" || fail "jack_iodelay measured no round trip in 10 s"
kill "$delay_pid"
kill -TERM "$runner_pid"
# A runner that does not end is a failure with its log, not a silent timeout of the whole test.
if ! poll 100 bash -c "! kill -0 $runner_pid"; then
  kill -KILL "$runner_pid" 2>/dev/null || true
  fail "the live runner did not end after SIGTERM"
fi
status=0
wait "$runner_pid" || status=$?
[ "$status" = 0 ] || fail "the live runner ended with $status"
summary=$(tail -n 1 "$work/runner.log")
echo "$summary" | grep -Eq '^[0-9]+ Blöcke zu 128 Frames .* Aussetzer, .* Rechenlast' ||
  fail "no summary from the live runner"
roundtrip=$(tr '\r' '\n' <"$work/iodelay.log" | grep -a 'total roundtrip' | tail -n 1 || true)
[ -n "$roundtrip" ] || fail "jack_iodelay heard nothing through the pass-through patch"
echo "live runner, --block 128: $summary"
echo "jack_iodelay: $roundtrip"
echo "PASS"
