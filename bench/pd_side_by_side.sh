#!/usr/bin/env bash
# Renders equivalent work with Pure Data and with quarvin-render in the same run and prints how
# many device-seconds of audio each renders per wall-second, and the ratio Quarvin / Pd.
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

# Pd's patches: regenerated for the chosen length, or taken as they are (their "delay" object
# holds the patch time in milliseconds).
if [[ -f $pd_dir/gen_patches.py ]]; then
  (cd "$work" && python3 "$pd_dir/gen_patches.py" "$seconds")
else
  mkdir -p "$work/pd" && cp "$pd_dir"/pd/*.pd "$work/pd/"
  seconds=$(grep -o 'delay [0-9]*' "$work/pd/empty.pd" | awk '{print $2 / 1000}')
fi

blocks=$(((seconds * rate + frames_per_block - 1) / frames_per_block))
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

# Prints the median wall times in seconds of RUNS runs of each of two commands, given as two
# quoted command lines. The runs alternate, after one untimed run of each, so that both sides
# meet the machine in the same state: a load that comes and goes slows both alike.
median_pair() {
  python3 - "$runs" "$1" "$2" <<'EOF'
import shlex, statistics, subprocess, sys, time
runs, commands = int(sys.argv[1]), [shlex.split(c) for c in sys.argv[2:]]
def timed(command):
    t0 = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - t0
for command in commands:
    timed(command)
times = [[], []]
for _ in range(runs):
    for side, command in enumerate(commands):
        times[side].append(timed(command))
print(*(statistics.median(t) for t in times))
EOF
}

pd_command() { printf '%q ' pd -nogui -noprefs -nosound -nrt -batch -r "$rate" -open "$work/pd/$1"; }
q_command() { printf '%q ' "$build/quarvin-render" "$work/$1" -b "$blocks" -q "${@:2}"; }

echo "$(pd -version 2>&1 | head -1 | cut -d" " -f1); $seconds s of patch time; median of $runs runs"
printf '%-12s %10s %10s %14s %14s %8s\n' case "Pd s" "Quarvin s" "Pd units/s" "Quarvin u/s" ratio
# case, Pd patch, Pd units, Quarvin patch, Quarvin units, unit, extra quarvin-render arguments
report() {
  local name=$1 pd_patch=$2 pd_units=$3 q_patch=$4 q_units=$5
  shift 5
  local tp tq
  read -r tp tq < <(median_pair "$(pd_command "$pd_patch")" "$(q_command "$q_patch" "$@")")
  awk -v n="$name" -v tp="$tp" -v tq="$tq" -v s="$seconds" -v a="$audio" -v up="$pd_units" \
    -v uq="$q_units" 'BEGIN {
      p = up * s / tp; q = uq * a / tq
      printf "%-12s %10.3f %10.3f %14.1f %14.1f %8.2f\n", n, tp, tq, p, q, q / p }'
}
report vocoder vocoder.pd 1 "vocoder_$vocoders.qvn" "$vocoders" -i "$work/noise.wav"
report filterbank filterbank.pd 100 filterbank.qvn 100 -i "$work/noise.wav"
report oscbank oscbank.pd 100 oscbank.qvn 100
report empty empty.pd 1 empty.qvn 1
echo "units/s: device-seconds of audio per wall-second (vocoders, filters, oscillators; empty:"
echo "real-time factor). Quarvin's filter and oscillator banks include the Mixers that sum them."
