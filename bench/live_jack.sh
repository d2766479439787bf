#!/usr/bin/env bash
# Live sound against a JACK dummy server: runs `quarvin-render --live` on a patch for a while,
# measures the round trip with jack_iodelay through it (pass-through patch) and prints the
# runner's summary (blocks, dropouts, the server's xruns, processing load).
# Usage: live_jack.sh BUILD_DIR PATCH.qvn SECONDS PERIOD [RUNNER OPTIONS...]
#   e.g. live_jack.sh build/release /tmp/passthrough.qvn 60 128 --block 128
# Without a pass-through patch the jack_iodelay figure is meaningless ("no signal").
# Environment: JACK_REALTIME (default --no-realtime) is the server's scheduling option, e.g. -R;
# JACK_RATE (default 44100) the server's rate (another rate is converted at the card edge).
set -euo pipefail
build=$(realpath "$1") patch=$2 seconds=$3 period=$4
shift 4
export JACK_DEFAULT_SERVER="quarvin-bench-$$" JACK_NO_AUDIO_RESERVATION=1
work=$(mktemp -d)
jack_pid="" runner_pid="" delay_pid=""
cleanup() {
  for pid in $delay_pid $runner_pid; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$jack_pid" ]; then
    kill "$jack_pid" 2>/dev/null || true
    wait "$jack_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

jackd -n "$JACK_DEFAULT_SERVER" ${JACK_REALTIME:---no-realtime} -d dummy -r "${JACK_RATE:-44100}" -p "$period" >"$work/jackd.log" 2>&1 &
jack_pid=$!
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done

"$build/quarvin-render" --live "$patch" "$@" 2>"$work/runner.log" &
runner_pid=$!
for _ in $(seq 50); do jack_lsp | grep -q '^quarvin:out_L' && break; sleep 0.1; done
jack_lsp | grep -q '^quarvin:out_L' || { cat "$work/runner.log"; exit 1; }

# jack_iodelay's client is jack_delay with the ports in and out; it prints a line per second.
stdbuf -oL jack_iodelay >"$work/iodelay.log" 2>&1 &
delay_pid=$!
for _ in $(seq 50); do jack_lsp | grep -q '^jack_delay:out' && break; sleep 0.1; done
jack_connect jack_delay:out quarvin:in_L
jack_connect quarvin:out_L jack_delay:in
sleep "$seconds"
kill "$delay_pid"
kill -TERM "$runner_pid"
wait "$runner_pid"
runner_pid=""
echo "period $period, options: $*"
tr '\r' '\n' <"$work/iodelay.log" | grep -a 'total roundtrip' | tail -n 1 || echo "jack_iodelay: no signal"
tail -n 1 "$work/runner.log"
