#!/usr/bin/env bash
# Runs the sound card tests of a test program with a JACK dummy server as the sound card.
# Usage: jack_test.sh TEST_BINARY [GTEST_FILTER]
set -euo pipefail
. "$(dirname "$0")/../../private_shm.sh"
binary=$1
if ! command -v jackd >/dev/null || ! command -v jack_lsp >/dev/null; then
  echo "jackd is not installed: skipping the sound card test"
  exit 0
fi

# A server of our own name, so that other servers and parallel runs do not interfere.
export JACK_DEFAULT_SERVER="quarvin-audio-$$"
export JACK_NO_AUDIO_RESERVATION=1
log=$(mktemp)
jackd --no-realtime -d dummy -r 44100 -p 256 >"$log" 2>&1 &
jackd_pid=$!
trap 'kill "$jackd_pid" 2>/dev/null; wait "$jackd_pid" 2>/dev/null || true; rm -f "$log"' EXIT

for _ in $(seq 50); do
  jack_lsp >/dev/null 2>&1 && break
  kill -0 "$jackd_pid" 2>/dev/null || { echo "jackd did not start:"; cat "$log"; exit 1; }
  sleep 0.1
done
jack_lsp >/dev/null 2>&1 || { echo "jackd does not answer"; exit 1; }

QUARVIN_SOUND_CARD=1 "$binary" --gtest_filter="${2:-AudioPortAudio.*:AudioJack.*}"
