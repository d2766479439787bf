#!/usr/bin/env bash
# Renders equivalent work with Pure Data and with quarvin-render in the same run and prints how
# many device-seconds of audio each renders per wall-second, the cost of one device-frame with
# start-up taken out (the time for SECONDS less the time for a third of it, over the frames in
# between), and the ratios of the two.
#
# usage: bench/pd_side_by_side.sh [PD_BENCH_DIR] [SECONDS] [BUILD_DIR]
#   PD_BENCH_DIR  folder with gen_patches.py (patches are regenerated for SECONDS into a temporary
#                 folder) or with pd/*.pd as they are; default ../shared/bench beside the repository
#   SECONDS       patch time to render (default 60; ignored for a folder without gen_patches.py)
#   BUILD_DIR     where quarvin-render and quarvin-bench-patches are built (default build/release)
# Environment: VOCODERS (default 10) Vocoders in Quarvin's vocoder patch; RUNS (default 3).
# Needs `pd` (Debian: apt-get install puredata-core).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
pd_dir=${1:-$repo/../shared/bench}
seconds=${2:-60}
build=${3:-$repo/build/release}
vocoders=${VOCODERS:-10}
runs=${RUNS:-3}
rate=44100
frames_per_block=3000

command -v pd >/dev/null || { echo "pd not found: apt-get install puredata-core" >&2; exit 1; }
for tool in quarvin-render quarvin-bench-patches; do
  [[ -x $build/$tool ]] || { echo "$build/$tool missing: ninja -C $build $tool" >&2; exit 1; }
done
[[ -d $pd_dir ]] || { echo "no Pd benchmark folder at $pd_dir" >&2; exit 1; }
pd_dir=$(cd "$pd_dir" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Pd's patches for SECONDS and for a third of it (the short runs take the start-up out): regenerated
# for those lengths, or taken as they are (their "delay" object holds the patch time in
# milliseconds; then no short runs).
if [[ -f $pd_dir/gen_patches.py ]]; then
  short=$((seconds / 3))
  mkdir -p "$work/long" "$work/short"
  (cd "$work/long" && python3 "$pd_dir/gen_patches.py" "$seconds")
  (cd "$work/short" && python3 "$pd_dir/gen_patches.py" "$short")
else
  short=0
  mkdir -p "$work/long/pd" && cp "$pd_dir"/pd/*.pd "$work/long/pd/"
  seconds=$(grep -o 'delay [0-9]*' "$work/long/pd/empty.pd" | awk '{print $2 / 1000}')
fi

blocks_of() { echo $((($1 * rate + frames_per_block - 1) / frames_per_block)); }
blocks=$(blocks_of "$seconds")
short_blocks=$(blocks_of "$short")
audio=$(awk -v b="$blocks" -v f="$frames_per_block" -v r="$rate" 'BEGIN {print b * f / r}')
"$build/quarvin-bench-patches" "$work" "$vocoders"
# White noise as the input, like Pd's noise~.
python3 - "$work/noise.wav" "$blocks" "$frames_per_block" <<'EOF'
import os, sys, wave
path, blocks, frames = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with wave.open(path, "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(44100)
    w.writeframes(os.urandom(blocks * frames * 4))
EOF

# Prints the median wall times in seconds of RUNS runs of each command, given as quoted command
# lines. The runs alternate, after one untimed run of each, so that every side meets the machine
# in the same state: a load that comes and goes slows them alike.
median_times() {
  python3 - "$runs" "$@" <<'EOF'
import shlex, statistics, subprocess, sys, time
runs, commands = int(sys.argv[1]), [shlex.split(c) for c in sys.argv[2:]]
def timed(command):
    t0 = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - t0
for command in commands:
    timed(command)
times = [[] for _ in commands]
for _ in range(runs):
    for side, command in enumerate(commands):
        times[side].append(timed(command))
print(*(statistics.median(t) for t in times))
EOF
}

pd_command() { # length (long, short), patch
  printf '%q ' pd -nogui -noprefs -nosound -nrt -batch -r "$rate" -open "$work/$1/pd/$2"
}
q_command() { # blocks, patch, extra arguments
  printf '%q ' "$build/quarvin-render" "$work/$2" -b "$1" -q "${@:3}"
}

echo "$(pd -version 2>&1 | head -1 | cut -d" " -f1); $seconds s of patch time (and $short s); median of $runs runs"
printf '%-12s %8s %9s %11s %11s %6s %9s %9s %6s\n' case "Pd s" "Quarvin s" "Pd u/s" \
  "Quarvin u/s" ratio "Pd ns/f" "Q ns/f" ratio
# case, Pd patch, Pd units, Quarvin patch, Quarvin units, extra quarvin-render arguments
report() {
  local name=$1 pd_patch=$2 pd_units=$3 q_patch=$4 q_units=$5
  shift 5
  local commands=("$(pd_command long "$pd_patch")" "$(q_command "$blocks" "$q_patch" "$@")")
  if ((short > 0)); then
    commands+=("$(pd_command short "$pd_patch")" "$(q_command "$short_blocks" "$q_patch" "$@")")
  fi
  local tp tq sp sq
  read -r tp tq sp sq < <(median_times "${commands[@]}")
  awk -v n="$name" -v tp="$tp" -v tq="$tq" -v sp="${sp:-0}" -v sq="${sq:-0}" -v s="$seconds" \
    -v ss="$short" -v a="$audio" -v b="$blocks" -v sb="$short_blocks" -v f="$frames_per_block" \
    -v r="$rate" -v up="$pd_units" -v uq="$q_units" 'BEGIN {
      p = up * s / tp; q = uq * a / tq
      printf "%-12s %8.3f %9.3f %11.1f %11.1f %6.2f", n, tp, tq, p, q, q / p
      if (ss > 0) {
        np = (tp - sp) / ((s - ss) * r * up) * 1e9; nq = (tq - sq) / ((b - sb) * f * uq) * 1e9
        printf " %9.2f %9.2f %6.2f", np, nq, np / nq
      }
      printf "\n" }'
}
report vocoder vocoder.pd 1 "vocoder_$vocoders.qvn" "$vocoders" -i "$work/noise.wav"
report filterbank filterbank.pd 100 filterbank.qvn 100 -i "$work/noise.wav"
report oscbank oscbank.pd 100 oscbank.qvn 100
report empty empty.pd 1 empty.qvn 1
echo "u/s: device-seconds of audio per wall-second (vocoders, filters, oscillators; empty: real-"
echo "time factor), ratio Quarvin / Pd. ns/f: wall time per device-frame without start-up (the long"
echo "run less the short one), ratio Pd / Quarvin. Quarvin's filter and oscillator banks include"
echo "the Mixers that sum them."
