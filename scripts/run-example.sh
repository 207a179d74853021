#!/usr/bin/env bash
# Builds linkerkit and runs it on the shipped example protein.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-deps.sh
ensure_packages "${BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLINKERKIT_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "== ScoreSeqComplexity examples/P1.fa 15 (residues 6 to 12)"
build/bin/ScoreSeqComplexity examples/P1.fa 15 >"$work/SeqComplexity_15.txt"
sed -n 6,12p "$work/SeqComplexity_15.txt"
echo "... $(wc -l <"$work/SeqComplexity_15.txt") residues"
