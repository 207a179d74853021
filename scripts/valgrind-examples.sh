#!/usr/bin/env bash
# Runs every program over the example protein under valgrind: no memory
# error and no leak of any kind may show. Uses the programs in build/bin
# (bash scripts/run-tests.sh builds them first).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/bin"
examples="$root/examples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=()
# check PROGRAM ARGUMENTS...: standard output goes to $work/PROGRAM.out.
check() {
  local program=$1
  shift
  local status=0
  valgrind --leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=all --error-exitcode=97 -q \
    --suppressions="$root/scripts/valgrind.supp" \
    "$bin/$program" "$@" >"$work/$program.out" || status=$?
  if ((status != 0)); then
    failed+=("$program (status $status)")
    echo "$program $*: status $status" >&2
  fi
}

mkdir "$work/feat"
check ScoreSeqComplexity "$examples/P1.fa" 15
mv "$work/ScoreSeqComplexity.out" "$work/feat/SeqComplexity_15.txt"
check ApplyResidueScale "$examples/P1.fa" "$examples/GEOR030101.tsv" 15
mv "$work/ApplyResidueScale.out" "$work/feat/GEOR030101_15.txt"
check SplitSecStructProbs "$examples/P1.ss2" "$work/feat/" 15
check ExtractProfileMatrix "$examples/P1.mtx" "$work/feat/P1.profile"
for letter in P G; do
  check TrackProfileColumn "$work/feat/P1.profile" "$letter" 15
  mv "$work/TrackProfileColumn.out" "$work/feat/PSSM_${letter}_15.txt"
done
check AssembleFeatureRows "$examples/demo/index.txt" "$work/feat/"
if [[ $(wc -l <"$work/AssembleFeatureRows.out") -ne 120 ]]; then failed+=("AssembleFeatureRows (not 120 vectors)"); fi

# A small linear model over the seven features, to score the vectors.
printf 'svm_type c_svc\nkernel_type linear\nnr_class 2\ntotal_sv 2\nrho 0\nlabel 1 -1\nnr_sv 1 1\nSV\n1 1:0.5 2:1 3:1 4:0 5:0 6:0.5 7:0.3 \n-1 1:0.5 2:0.9 3:0.2 4:0.7 5:0.1 6:0.3 7:0.3 \n' \
  >"$work/linker.model"
check ClassifyFeatureRows "$work/linker.model" "$work/AssembleFeatureRows.out" P1 5
mv "$work/ClassifyFeatureRows.out" "$work/P1.scores"
# The tests' tiny XGBoost model, saved as JSON and as UBJSON, over its own
# vector lines.
check ClassifyFeatureRows "$root/tests/data/tiny.xgboost.json" "$root/tests/data/tiny.xgboost.vectors" T 5
check ClassifyFeatureRows "$root/tests/data/tiny.xgboost.ubj" "$root/tests/data/tiny.xgboost.vectors" T 5

# The example score file of several proteins, then P1's own scores.
for scores in "$examples/scores.txt" "$work/P1.scores"; do
  printf 'NormalizedFile = %s\nOutputFile = %s\nOffSet = 2\n' "$scores" "$work/report.txt" >"$work/options.txt"
  check ReportDomainHinges "$work/options.txt" 2 0.5
  [[ -s $work/report.txt ]] || failed+=("ReportDomainHinges (no report for $scores)")
  check SegmentDomains "$scores" 0.5 3 2
  [[ -s $work/SegmentDomains.out ]] || failed+=("SegmentDomains (no report for $scores)")
done

# The real protein's chain tracks, a reprof prediction's conversion, and the
# evaluation of P1's report against its known linker as if it were a domain
# boundary.
check TrackChainPosition "$examples/real/Q9LQ92.fa" terminus 100
check TrackChainPosition "$examples/real/Q9LQ92.fa" length 500
check ConvertReprofOutput "$root/tests/data/ubiquitin.reprof" "$work/ubiquitin.ss2" "$work/acc.txt" 7
printf 'P1|1,60|domain|60|120\nP1|79,120|domain|42|120\n' >"$work/P1.domains"
check EvaluateLinkers "$work/report.txt" "$work/P1.domains"
printf 'P1|1,60|D1|60|120\nP1|79,120|D2|42|120\n' >"$work/P1.domain_ids"
check EvaluateLinkers --domain-ids "$work/report.txt" "$work/P1.domain_ids"
# Both callers at two smoothings over P1's scores, with the calls listed.
printf '# smoothing caller threshold offset rank or min domain\n1 threshold 0.5 2 2\n5 threshold 0.5 2 1\n5 segment 0.5 2 3\n' \
  >"$work/settings.txt"
check SweepLinkerCalls --calls "$work/P1.scores" "$work/P1.domains" "$work/settings.txt"
[[ $(grep -c '^protein ' "$work/SweepLinkerCalls.out") -eq 3 ]] || failed+=("SweepLinkerCalls (not 3 protein lines)")

if ((${#failed[@]})); then
  echo "valgrind over the examples: FAILED: ${failed[*]}"
  exit 1
fi
echo "valgrind over the examples: every program clean"
