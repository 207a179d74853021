#!/usr/bin/env bash
# Times the whole road: linkerkit-predict on one generated protein of 500
# residues with each shipped model, each step and all together (targets:
# 0.05 s with the sequence-only model, 0.5 s with the default reprof one),
# and the workflow over 200 generated proteins of 300 residues with --cores 2
# (skipped when snakemake is not installed), next to the same runs of
# linkerkit-predict two at a time without it.
#
#   bash bench/road.sh [folder holding the built programs]    (REPEATS=5 by default)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bin_dir=$(cd "${1:-$root/build/bin}" && pwd)
repeats=${REPEATS:-5}
[[ -x $bin_dir/linkerkit-predict ]] || { echo "no linkerkit-predict in $bin_dir: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/one" "$work/many"
python3 "$root/scripts/make-protein-inputs.py" --random "$work/one" 1 500 7
python3 "$root/scripts/make-protein-inputs.py" --random "$work/many" 200 300 11

# The fastest of the runs (each in a new work folder, as for a new protein),
# by the driver's wall time; its progress lines give each step's time.
for model in sequence reprof; do
  best=""
  for ((run = 0; run < repeats; run++)); do
    start=${EPOCHREALTIME//[.,]/}
    "$bin_dir/linkerkit-predict" --model "$model" --work "$work/$model$run" "$work/one/G00001.fa" >"$work/progress"
    elapsed=$(((${EPOCHREALTIME//[.,]/} - start) / 1000))
    if [[ -z $best || $elapsed -lt $best ]]; then
      best=$elapsed
      cp "$work/progress" "$work/best"
    fi
  done
  echo "linkerkit-predict --model $model, one protein of 500 residues (best of $repeats):"
  awk '/^\[/ { printf "  %-22s %4d ms\n", $2, $(NF - 1); sum += $(NF - 1) }
       END { printf "  %-22s %4d ms\n", "programs together", sum }' "$work/best"
  printf '  %-22s %4d ms\n' "whole driver" "$best"
done
start=${EPOCHREALTIME//[.,]/}
for ((run = 0; run < 10; run++)); do /bin/true; done
printf '  (starting a process here: %d ms)\n' $(((${EPOCHREALTIME//[.,]/} - start) / 10000))

if ! command -v snakemake >/dev/null; then
  echo "workflow: snakemake is not installed, not timed"
  exit 0
fi
start=${EPOCHREALTIME//[.,]/}
snakemake -s "$root/workflow/Snakefile" --directory "$work/many" --cores 2 --quiet \
  --config inputs="$work/many" results="$work/many/results" bin="$bin_dir" model=sequence >"$work/snakemake.log" 2>&1 ||
  { tail -n 20 "$work/snakemake.log"; exit 1; }
elapsed=$(((${EPOCHREALTIME//[.,]/} - start) / 1000))
printf 'workflow, 200 proteins of 300 residues, --cores 2: %d.%03d s, %d ms per protein; report of %d lines\n' \
  $((elapsed / 1000)) $((elapsed % 1000)) $((elapsed / 200)) "$(wc -l <"$work/many/results/report.txt")"

# The same 200 runs of linkerkit-predict without a workflow engine, two at a
# time: the difference is Snakemake's own cost.
start=${EPOCHREALTIME//[.,]/}
for fasta in "$work"/many/*.fa; do echo "${fasta%.fa}"; done |
  xargs -P 2 -I{} "$bin_dir/linkerkit-predict" --model sequence --scores-only --work "{}.work" {}.fa >/dev/null
elapsed=$(((${EPOCHREALTIME//[.,]/} - start) / 1000))
printf 'the same 200 proteins by xargs -P 2, no engine: %d.%03d s, %d ms per protein\n' \
  $((elapsed / 1000)) $((elapsed % 1000)) $((elapsed / 200))
