#!/usr/bin/env bash
# Times the road with an XGBoost model folder: 300 trees of depth 6 over 20
# sequence-only tracks (bench/make-xgboost-model.py, on random data), next
# to the shipped sequence model (200 trees over 42 tracks). One generated
# protein of 500 residues end to end, ClassifyFeatureRows alone on its vector
# lines, and a made-up proteome of PROTEINS proteins of 100 to 1,000
# residues (2,000 by default) at -j 2, where each worker reads the model
# once. Medians of REPEATS runs (5 by default); the machine's load is
# printed before and after.
#
#   bash bench/xgboost.sh [folder holding the built programs]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export LINKERKIT_BIN=$(cd "${1:-$root/build/bin}" && pwd)
source "$root/bench/common.sh"
source "$root/scripts/ensure-deps.sh"
ensure_packages /usr/lib/python3/dist-packages/xgboost:python3-xgboost /usr/lib/python3/dist-packages/numpy:python3-numpy
repeats=${REPEATS:-5}
proteins=${PROTEINS:-2000}
road=$LINKERKIT_BIN/linkerkit-predict
[[ -x $road ]] || { echo "no linkerkit-predict in $LINKERKIT_BIN: build first" >&2; exit 1; }
work=$BENCH_WORK
echo "load before: $(load)"


/usr/bin/python3 "$root/bench/make-xgboost-model.py" "$work/trees"
echo "model: $(du -k "$work/trees/xgboost.ubj" | cut -f1) KiB of UBJSON, 300 trees of depth 6 over 20 tracks"

python3 "$root/scripts/make-protein-inputs.py" --proteome "$work/one.fa" 1 500 500 7
for model in sequence "$work/trees"; do
  echo "linkerkit-predict --model ${model##*/}, one protein of 500 residues: $(median_of "$repeats" "$road" --model "$model" "$work/one.fa")"
done
"$road" --model "$work/trees" --features-only --work "$work/vectors" "$work/one.fa" 2>/dev/null
vectors=$(ls "$work"/vectors/vectors/*.vectors)
echo "ClassifyFeatureRows alone, the same protein's 500 vector lines: $(median_of "$repeats" \
  "$LINKERKIT_BIN/ClassifyFeatureRows" "$work/trees/xgboost.ubj" "$vectors" P 15)"

python3 "$root/scripts/make-protein-inputs.py" --proteome "$work/proteome.fa" "$proteins" 100 1000 11
for model in sequence "$work/trees"; do
  figures=$(median_of "$repeats" "$road" --model "$model" -j 2 --work "$work/run-${model##*/}" "$work/proteome.fa")
  echo "  --model ${model##*/}, -j 2, $proteins proteins: $figures, $(per_protein "$(wall_seconds "$figures")" "$proteins") ms per protein"
done
echo "load after: $(load)"
