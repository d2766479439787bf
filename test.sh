#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, then the sanitizer
# builds (AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
jobs=$(nproc)

build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

build build/test
(cd build/test && ctest --output-on-failure -j "$jobs")

if [ "${QUARVIN_QUICK:-0}" != 1 ]; then
  build build/asan -DQUARVIN_SANITIZE=address -DQUARVIN_SHELL=OFF -DQUARVIN_BENCH=OFF
  (cd build/asan && ctest --output-on-failure -j "$jobs" -LE slow)
  build build/tsan -DQUARVIN_SANITIZE=thread -DQUARVIN_SHELL=OFF -DQUARVIN_BENCH=OFF
  (cd build/tsan && ctest --output-on-failure -j "$jobs" -R 'Thread|Audio|Loop|Stress|Concurrent|RunningFilter')
fi
