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
# Needs `pd` (Debian: apt-get install puredata-core); uses hyperfine when it is installed.
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

# Prints the median wall time in seconds of RUNS runs of the command.
median_time() {
  if command -v hyperfine >/dev/null; then
    hyperfine -N --runs "$runs" --export-json "$work/h.json" "$(printf '%q ' "$@")" >/dev/null 2>&1
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["median"])' \
      "$work/h.json"
  else
    local times=()
    for ((i = 0; i < runs; ++i)); do
      local t0 t1
      t0=$(date +%s.%N)
      "$@" >/dev/null 2>&1
      t1=$(date +%s.%N)
      times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{t[NR] = $1} END {print t[int((NR + 1) / 2)]}'
  fi
}

pd_run() { median_time pd -nogui -noprefs -nosound -nrt -batch -r "$rate" -open "$work/pd/$1"; }
q_run() { median_time "$build/quarvin-render" "$work/$1" -b "$blocks" -q "${@:2}"; }

echo "$(pd -version 2>&1 | head -1 | cut -d" " -f1); $seconds s of patch time; median of $runs runs"
printf '%-12s %10s %10s %14s %14s %8s\n' case "Pd s" "Quarvin s" "Pd units/s" "Quarvin u/s" ratio
# case, Pd patch, Pd units, Quarvin patch, Quarvin units, unit, extra quarvin-render arguments
report() {
  local name=$1 pd_patch=$2 pd_units=$3 q_patch=$4 q_units=$5
  shift 5
  local tp tq
  tp=$(pd_run "$pd_patch")
  tq=$(q_run "$q_patch" "$@")
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
