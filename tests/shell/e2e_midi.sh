#!/usr/bin/env bash
# MIDI end to end on a dummy JACK server: `quarvin-render --live` plays examples/midi_vco.qvn
# (MIDI → VCO → Output) with the port quarvin:midi_in, jack_midiseq plays A 880 Hz there for half
# of every second, jack_rec records quarvin:out_L, and the recording has its fundamental at
# 880 Hz (± 0.5 Hz) while the gate is on and silence while it is off.
# Usage: e2e_midi.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

build=$(dirname "$program")
examples=$(realpath "$(dirname "$0")/../../examples")
e2e_start_jack 256

"$build/quarvin-render" --live "$examples/midi_vco.qvn" --block 128 2>"$work/runner.log" &
runner_pid=$!
poll 50 bash -c "timeout 5 jack_lsp | grep -q '^quarvin:midi_in$'" || fail "no port quarvin:midi_in"
grep -q "MIDI" "$work/runner.log" && fail "the runner reports MIDI missing under JACK"
# Note 81 (A 880 Hz) from the start of each 44100-frame loop for 22050 frames.
jack_midiseq seq 44100 0 81 22050 >"$work/seq.log" 2>&1 &
seq_pid=$!
poll 50 bash -c "timeout 5 jack_lsp | grep -q '^seq:out'" || fail "jack_midiseq did not start"
timeout 10 jack_connect seq:out quarvin:midi_in || fail "jack_connect to midi_in failed"
timeout 10 jack_rec -f "$work/take.wav" -d 3 quarvin:out_L >"$work/rec.log" 2>&1 ||
  fail "jack_rec failed"
kill "$seq_pid"
kill -TERM "$runner_pid"
poll 100 bash -c "! kill -0 $runner_pid" || {
  kill -KILL "$runner_pid" 2>/dev/null || true
  fail "the live runner did not end after SIGTERM"
}

python3 - "$work/take.wav" <<'PY' || fail "the recording does not play the note"
import struct, sys, wave
w = wave.open(sys.argv[1])
rate, width, n = w.getframerate(), w.getsampwidth(), w.getnframes()
raw = w.readframes(n)
if width == 2:
    x = [v / 32768 for v in struct.unpack("<%dh" % n, raw)]
elif width == 4:
    x = [v / 2147483648 for v in struct.unpack("<%di" % n, raw)]
else:
    sys.exit("sample width %d" % width)
# Runs of sound: a gap of more than 10 ms of near silence ends one.
loud = [abs(v) > 0.05 for v in x]
runs, start, quiet = [], None, 0
for i, l in enumerate(loud):
    if l:
        if start is None:
            start = i
        quiet = 0
    elif start is not None:
        quiet += 1
        if quiet > rate // 100:
            runs.append((start, i - quiet))
            start, quiet = None, 0
full = [r for r in runs if r[1] - r[0] > rate * 0.4]
if not full:
    sys.exit("no note of about half a second in %s" % runs)
for a, b in full:
    a, b = a + rate // 20, b - rate // 20  # away from the edges of the gate
    ups = [i + x[i] / (x[i] - x[i + 1]) for i in range(a, b) if x[i] <= 0 < x[i + 1]]
    hz = (len(ups) - 1) * rate / (ups[-1] - ups[0])
    print("note from %.3f s to %.3f s: %.2f Hz" % (a / rate, b / rate, hz))
    if abs(hz - 880) > 0.5:
        sys.exit("fundamental %.2f Hz instead of 880" % hz)
    length = (b - a + rate // 10) / rate
    if not 0.45 < length < 0.55:
        sys.exit("the gate was on for %.3f s instead of 0.5" % length)
PY
echo "PASS"
