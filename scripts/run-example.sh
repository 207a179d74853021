#!/usr/bin/env bash
# Builds linkerkit and runs the whole road on the shipped example protein P1:
# feature tracks, vector lines, scores of the demonstration model, report.
# The work folder, with every intermediate file, is kept in build/example/P1.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-deps.sh
ensure_packages "${BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLINKERKIT_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2 >/dev/null

build/bin/linkerkit-predict --work build/example/P1 examples/P1.fa examples/P1.ss2 examples/P1.mtx
