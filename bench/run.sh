#!/usr/bin/env bash
# Builds a release tree and runs every benchmark script beside this one.
# Each generates its own inputs and prints its figures; none is a test.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 >/dev/null
export LINKERKIT_BIN="$PWD/build/bin"
for script in bench/*.sh; do
  [[ $script == bench/run.sh || $script == bench/common.sh ]] && continue
  bash "$script"
done
