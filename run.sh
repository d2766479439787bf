#!/usr/bin/env bash
# Installs what is missing, builds the program (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARVIN_SHELL=ON -DQUARVIN_TESTS=OFF -DQUARVIN_BENCH=OFF
cmake --build build/release
exec build/release/quarvin "$@"
