#!/usr/bin/env bash
# The sound card at other rates than 44100 Hz, end to end on dummy JACK servers. At 48000 and
# 96000 Hz: the program plays a 1000 Hz sine patch and says that it converts; the live runner
# passes that tone through; both arrive at the server's ports at the tone's pitch (± 0.5 Hz) and
# the pass-through keeps the level (± 0.05 dB), measured from what jack_rec records there. At
# 44100 Hz the server receives exactly the samples an offline render makes. A JACK client that
# the server will not take gives our own German reason.
# Usage: e2e_rates.sh PROGRAM [SHOT_DIR]
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"

here=$(dirname "$(realpath "$0")")
build=$(dirname "$program")
runner="$build/quarvin-render"
"$build/quarvin-bench-patches" "$work" 1
tone_hz=1000.05  # the patch's pitch step nearest to 1000 Hz

# Records the given ports for a second into $work/rec.wav.
record() {
  rm -f "$work/rec.wav"
  timeout 10 jack_rec -f "$work/rec.wav" -d 1 "$@" >"$work/jack_rec.log" 2>&1 ||
    fail "jack_rec failed"
}

for rate in 48000 96000; do
  e2e_start_jack 128 "$rate"
  # The patch's panels cover the canvas's corner, so the window is not looked at, only heard.
  "$program" --block 128 --nicht-verbinden "$work/tone.qvn" >"$work/quarvin.log" 2>&1 &
  program_pid=$!
  e2e_wait_port quarvin:out_L
  poll 30 grep -q "Soundkarte: $rate Hz, umgerechnet auf 44100 Hz" "$work/quarvin.log" ||
    fail "the program does not say that it converts from $rate Hz"
  "$runner" --live "$work/passthrough.qvn" --block 128 --nicht-verbinden 2>"$work/runner.log" &
  runner_pid=$!
  e2e_wait_port quarvin-01:out_L
  grep -q "Soundkarte: $rate Hz, umgerechnet auf 44100 Hz" "$work/runner.log" ||
    fail "the live runner does not say that it converts"
  timeout 10 jack_connect quarvin:out_L quarvin-01:in_L || fail "jack_connect failed"
  record quarvin:out_L quarvin-01:out_L
  figures=$(python3 "$here/sine_figures.py" "$work/rec.wav")
  echo "$rate Hz: program, then through the live runner (Hz dBFS): $(echo $figures)"
  echo "$figures" | awk -v want="$tone_hz" '
    { hz[NR] = $1; db[NR] = $2 }
    END {
      for (i = 1; i <= 2; i++) if (hz[i] < want - 0.5 || hz[i] > want + 0.5) exit 1
      d = db[2] - db[1]; if (d < -0.05 || d > 0.05 || db[1] < -14 || db[1] > -12) exit 1
    }' || fail "pitch or level changed at $rate Hz: $figures"
  kill -TERM "$runner_pid"
  wait "$runner_pid" || fail "the live runner ended with $?"
  kill "$program_pid"
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
  # The server has let go of the killed program's client before it is asked to end.
  poll 50 bash -c "! timeout 5 jack_lsp | grep -q '^quarvin:'" || fail "the program's ports stay"
  e2e_stop_jack
done

# At our own rate nothing converts: the server gets the render's very samples (32-bit PCM keeps
# every 16-bit sample exactly), apart from where a dropout of the loaded machine cut the sound.
e2e_start_jack 128 44100
"$runner" --live "$work/tone.qvn" --block 128 --nicht-verbinden 2>"$work/runner.log" &
runner_pid=$!
e2e_wait_port quarvin:out_L
grep -q "umgerechnet" "$work/runner.log" && fail "the live runner converts at 44100 Hz"
rm -f "$work/rec.wav"
timeout 10 jack_rec -f "$work/rec.wav" -d 1 -b 32 quarvin:out_L >"$work/jack_rec.log" 2>&1 ||
  fail "jack_rec failed"
kill -TERM "$runner_pid"
wait "$runner_pid" || true
"$runner" "$work/tone.qvn" -b 200 -o "$work/render.wav" -q
python3 - "$work/rec.wav" "$work/render.wav" <<'PY' || fail "the samples at 44100 Hz differ from the render's"
import struct, sys, wave
def samples(path, channel):
    with wave.open(path, "rb") as w:
        n, width, data = w.getnchannels(), w.getsampwidth(), w.readframes(w.getnframes())
    v = struct.unpack("<%d%s" % (len(data) // width, {2: "h", 4: "i"}[width]), data)[channel::n]
    return [x / 65536 for x in v] if width == 4 else list(v)
rec, ref = samples(sys.argv[1], 0), samples(sys.argv[2], 0)
assert all(x == int(x) for x in rec), "not 16-bit samples"
index = {}
for i in range(len(ref) - 8):
    index.setdefault(tuple(ref[i:i + 8]), []).append(i)
# Pieces of 64 frames: a dropout under load may cut one, and converted sound matches none.
checked = matched = 0
for at in range(0, len(rec) - 64, 64):
    piece = rec[at:at + 64]
    if not any(piece):
        continue
    checked += 1
    matched += any(ref[i:i + 64] == piece for i in index.get(tuple(piece[:8]), []))
print("%d of %d pieces are the render's" % (matched, checked))
assert checked > 400 and matched >= 0.95 * checked
PY
echo "44100 Hz: the recorded samples are the render's"
e2e_stop_jack

# A server with room for only six ports (the dummy's four and one of ours): our client fails
# and says so in German, in the live runner and in the program's error box, which opens its
# window anyway.
e2e_start_jack 128 48000 -p 6
status=0
timeout 20 "$runner" --live "$work/passthrough.qvn" 2>"$work/runner.log" || status=$?
[ "$status" = 1 ] || fail "the live runner ended with $status on a failing JACK client"
grep -qE "JACK-Anschluss (in_L|in_R|midi_in) konnte nicht angelegt werden" "$work/runner.log" ||
  fail "not our JACK client's reason: $(cat "$work/runner.log")"
"$program" >"$work/quarvin.log" 2>&1 &
program_pid=$!
timeout 10 xdotool search --sync --name '^Error$' >/dev/null || fail "no error box"
timeout 10 xdotool search --sync --name '^Quarvin V' >/dev/null || fail "no main window"
shot failing_client.png
echo "failing JACK client: German reason, and the program's window is open"
echo "PASS"
