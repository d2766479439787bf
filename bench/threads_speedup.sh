#!/usr/bin/env bash
# Times quarvin-render with one thread and with two on the bench patches and prints the cost per
# frame with start-up taken out (the time for 400 blocks less the time for 100, each the least of
# RUNS alternating runs, over the 900 000 frames between) and the speed-up of two threads.
#
# usage: bench/threads_speedup.sh [BUILD_DIR] [PATCH ...]
#   BUILD_DIR  where quarvin-render and quarvin-bench-patches are built (default build/release)
#   PATCH      bench patch names (default vocoder_10 oscbank_3000 oscbank filterbank)
# Environment: RUNS (default 7).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build/release}
shift || true
patches=("${@:-vocoder_10 oscbank_3000 oscbank filterbank}")
for tool in quarvin-render quarvin-bench-patches; do
  [[ -x $build/$tool ]] || { echo "$build/$tool missing: ninja -C $build $tool" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/quarvin-bench-patches" "$work" 10 >/dev/null
python3 - "$build/quarvin-render" "$work" "${RUNS:-7}" ${patches[*]} <<'PY'
import subprocess, sys, time
render, work, runs, names = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
def seconds(patch, blocks, threads):
    start = time.perf_counter()
    subprocess.run([render, patch, "-b", str(blocks), "-o", f"{work}/out{threads}.wav", "-q",
                    "--threads", str(threads)], check=True)
    return time.perf_counter() - start
print(f"{'patch':16} {'1 thread':>12} {'2 threads':>12} {'speed-up':>9}")
for name in names:
    patch = f"{work}/{name}.qvn"
    long, short = {1: [], 2: []}, {1: [], 2: []}
    for _ in range(runs):
        for threads in (1, 2):
            long[threads].append(seconds(patch, 400, threads))
            short[threads].append(seconds(patch, 100, threads))
    ns = {t: (min(long[t]) - min(short[t])) / (300 * 3000) * 1e9 for t in (1, 2)}
    print(f"{name:16} {ns[1]:9.1f} ns {ns[2]:9.1f} ns {ns[1] / ns[2]:8.2f}x")
PY
