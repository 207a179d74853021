#!/usr/bin/env bash
# Builds linkerkit and predicts the linkers of a real protein with the
# default (sequence-only) model, then shows the protein's known domains and how the
# prediction compares. Q9LQ92 is the first two-domain protein of 250 to 450
# residues in the family-annotated training file (data/training/); the default
# model learnt from the structural chains (data/training/cath/), not from it:
# this shows the road, the README's figures say how good the model is.
# The work folder, with every intermediate file, is kept in build/example/,
# with a picture of the scores and the known domains.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-deps.sh
ensure_packages "${BUILD_PACKAGES[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLINKERKIT_BUILD_TESTS=OFF >/dev/null
cmake --build build -j2 >/dev/null

rm -rf build/example
build/bin/linkerkit-predict --work build/example/Q9LQ92 --keep-work --plot build/example \
  --truth examples/real/Q9LQ92.domains examples/real/Q9LQ92.fa
echo "known domains (from 1):"
sed 's/^/  /' examples/real/Q9LQ92.domains
build/bin/EvaluateLinkers build/example/Q9LQ92/report.txt examples/real/Q9LQ92.domains | sed -n '1,2p'
