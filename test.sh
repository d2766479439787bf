#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, then the sanitizer
# builds (AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer) and, with clang, a
# one-minute run of the patch fuzzer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
jobs=$(nproc)

# Compiles go through ccache: paths are taken relative to the checkout, so a fresh clone on a
# machine that built the same sources before compiles only what changed.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

build build/test
(cd build/test && ctest --output-on-failure -j "$jobs")

if [ "${QUARVIN_QUICK:-0}" != 1 ]; then
  build build/asan -DQUARVIN_SANITIZE=address -DQUARVIN_SHELL=OFF -DQUARVIN_BENCH=OFF
  (cd build/asan && ctest --output-on-failure -j "$jobs" -LE slow)
  build build/tsan -DQUARVIN_SANITIZE=thread -DQUARVIN_SHELL=OFF -DQUARVIN_BENCH=OFF
  (cd build/tsan && ctest --output-on-failure -j "$jobs" -R 'Thread|Audio|Loop|Stress|Concurrent|RunningFilter|Recorder|Recording')

  if command -v clang++ >/dev/null; then
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
      -DQUARVIN_FUZZ=ON -DQUARVIN_SHELL=OFF -DQUARVIN_TESTS=OFF -DQUARVIN_BENCH=OFF >/dev/null
    cmake --build build/fuzz -j "$jobs" --target patch_fuzzer schedule_fuzzer
    # An input that finds a fault is kept where the regression test runs every such file.
    mkdir -p build/fuzz/corpus
    build/fuzz/patch_fuzzer -max_total_time=60 -timeout=25 -rss_limit_mb=4096 \
      -artifact_prefix=tests/app/fuzz_regressions/ build/fuzz/corpus fuzz/corpus
    # Random patches through the schedule and the frame-by-frame cycle, for half a minute more.
    build/fuzz/schedule_fuzzer -max_total_time=30 -timeout=60 -rss_limit_mb=4096 \
      -artifact_prefix=build/fuzz/schedule-
  fi
fi
