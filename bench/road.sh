#!/usr/bin/env bash
# Times the road: linkerkit-predict on one generated protein of 500 residues
# with each shipped model; on a made-up proteome of PROTEINS proteins of 100
# to 1,000 residues (20,000 by default) with the sequence-only model at -j 2
# (target: at most 2 ms per protein), and on a tenth of it, to show that
# peak memory does not grow with the proteins; the workflow over the same
# FASTA with --cores 2 (target: at most 20% more than one run); and the
# reprof model on REPROF_PROTEINS of the proteins (200 by default). Every
# figure is the median of REPEATS runs (3 by default; ONE_REPEATS, 21 by
# default, for one protein), the workflow's of one; the machine's load is printed before and after.
#
#   bash bench/road.sh [folder holding the built programs]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export LINKERKIT_BIN=$(cd "${1:-$root/build/bin}" && pwd)
source "$root/bench/common.sh"
repeats=${REPEATS:-3}
one_repeats=${ONE_REPEATS:-21}
proteins=${PROTEINS:-20000}
reprof_proteins=${REPROF_PROTEINS:-200}
road=$LINKERKIT_BIN/linkerkit-predict
[[ -x $road ]] || { echo "no linkerkit-predict in $LINKERKIT_BIN: build first" >&2; exit 1; }
work=$BENCH_WORK
echo "load before: $(load)"

python3 "$root/scripts/make-protein-inputs.py" --proteome "$work/one.fa" 1 500 500 7
# What one protein's time stands on: the process with its libraries
# (XGBoost's among them), then the model read and checked.
echo "linkerkit-predict --version: $(median_of "$one_repeats" "$road" --version)"
echo "linkerkit-predict --show-settings (the sequence model read): $(median_of "$one_repeats" "$road" --show-settings)"
for model in sequence reprof; do
  [[ $model == reprof && ! -d /usr/share/reprof ]] && { echo "reprof is not installed: the reprof model is not timed"; continue; }
  echo "linkerkit-predict --model $model, one protein of 500 residues: $(median_of "$one_repeats" "$road" --model "$model" "$work/one.fa")"
done

python3 "$root/scripts/make-protein-inputs.py" --proteome "$work/proteome.fa" "$proteins" 100 1000 11
awk -v n=$((proteins / 10)) '/^>/ { k++ } k <= n' "$work/proteome.fa" >"$work/tenth.fa"
residues=$(grep -v '^>' "$work/proteome.fa" | tr -d '\n' | wc -c)
echo "proteome: $proteins made-up proteins, $residues residues"
for input in tenth proteome; do
  count=$(grep -c '^>' "$work/$input.fa")
  figures=$(median_of "$repeats" "$road" -j 2 --work "$work/run-$input" "$work/$input.fa")
  echo "  sequence model, -j 2, $count proteins: $figures, $(per_protein "$(wall_seconds "$figures")" "$count") ms per protein"
done
one_run=$(wall_seconds "$figures")

if command -v snakemake >/dev/null; then
  start=${EPOCHREALTIME//[.,]/}
  snakemake -s "$root/workflow/Snakefile" --directory "$work" --cores 2 --quiet \
    --config fasta="$work/proteome.fa" results="$work/workflow" bin="$LINKERKIT_BIN" model=sequence \
    >"$work/snakemake.log" 2>&1 || { tail -n 20 "$work/snakemake.log"; exit 1; }
  elapsed=$(awk -v t=$((${EPOCHREALTIME//[.,]/} - start)) 'BEGIN { printf "%.3f", t / 1e6 }')
  cmp -s "$work/workflow/report.txt" "$work/run-proteome/report.txt" || { echo "the workflow's report differs" >&2; exit 1; }
  echo "  workflow, chunks of 500, --cores 2: $elapsed s, $(awk -v w="$elapsed" -v o="$one_run" \
    'BEGIN { printf "%+.1f%%", (w / o - 1) * 100 }') against one run; the same report"
else
  echo "  workflow: snakemake is not installed, not timed"
fi

if [[ -d /usr/share/reprof ]]; then
  awk -v n="$reprof_proteins" '/^>/ { k++ } k <= n' "$work/proteome.fa" >"$work/reprof.fa"
  figures=$(median_of "$repeats" "$road" --model reprof -j 2 --work "$work/run-reprof" "$work/reprof.fa")
  echo "  reprof model, -j 2, $reprof_proteins proteins: $figures, $(per_protein "$(wall_seconds "$figures")" "$reprof_proteins") ms per protein"
fi
echo "load after: $(load)"
