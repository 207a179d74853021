#!/usr/bin/env bash
# Trains a shipped linker model from the training proteins, choosing the
# grid line (teacher, learner, recipe, label width) and the calling settings
# by cross-validation over mmseqs2 clusters and, when given, by a structural
# validation set, and prints the measured figures next to two baselines.
#
#   bash scripts/train-model.sh MODEL [VALIDATION_DIR] [options]
#
# MODEL is a grid under scripts/grids/ (sequence or reprof), or the path of a
# grid file of your own; the model is written to data/models/MODEL/ with its
# figures in figures.md. VALIDATION_DIR holds one FASTA (*.fa) and its domain
# segments (*.regions, with domain ids): it chooses, it never fits.
# Options: --out DIR (the model folder), --work DIR (kept; reused by a rerun),
# --proteins N (N proteins of each teacher only, a quick test), -j N (jobs),
# --data FASTA (family-annotated proteins, default
# data/training/uniprot_domains.fa), --cath PREFIX (structural chains
# PREFIX.fa and PREFIX.regions, default data/training/cath/cath-chains).
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/ensure-deps.sh"

usage="usage: train-model.sh MODEL [VALIDATION_DIR] [--out DIR] [--work DIR] [--proteins N] [-j N] [--data FASTA] [--cath PREFIX]"
(($# >= 1)) || { echo "$usage"; exit 1; }
name=$1
shift
validation=""
if (($#)) && [[ $1 != -* ]]; then
  validation=$(cd "$1" && pwd) || { echo "no validation folder $1"; exit 1; }
  shift
fi
grid=$root/scripts/grids/$name.txt
if [[ $name == */* ]]; then
  grid=$(cd "$(dirname "$name")" && pwd)/$(basename "$name")
  name=$(basename "$name" .txt)
fi
[[ -f $grid ]] || { echo "no grid $grid"; exit 1; }
out=$root/data/models/$name work="" proteins=0 jobs=$(nproc) data=$root/data/training/uniprot_domains.fa
cath=$root/data/training/cath/cath-chains
bin_dir=""
while (($#)); do
  case $1 in
    --out) out=$2 ;;
    --work) work=$2 ;;
    --proteins) proteins=$2 ;;
    -j) jobs=$2 ;;
    --data) data=$2 ;;
    --cath) cath=$2 ;;
    --bin) bin_dir=$2 ;;
    *) echo "unknown option: $1"; echo "$usage"; exit 1 ;;
  esac
  shift 2
done
[[ $proteins =~ ^[0-9]+$ ]] || { echo "invalid --proteins: $proteins"; exit 1; }
[[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "invalid -j: $jobs"; exit 1; }

packages=(svm-train:libsvm-tools mmseqs:mmseqs2 /usr/lib/python3/dist-packages/numpy:python3-numpy
  /usr/lib/python3/dist-packages/xgboost:python3-xgboost /usr/bin/python3:python3)
grep -q REPROF_ "$grid" && packages+=(reprof:reprof)
if [[ -z $bin_dir ]]; then
  ensure_packages "${BUILD_PACKAGES[@]}" "${packages[@]}"
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build" -j"$jobs" >/dev/null
  bin_dir=$root/build/bin
else
  ensure_packages "${packages[@]}"
  bin_dir=$(cd "$bin_dir" && pwd)
fi

if [[ -z $work ]]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
/usr/bin/python3 "$root/scripts/train_model.py" --family "$data" --cath "$cath" --validation "$validation" \
  --grid "$grid" --model "$out" --work "$work" --bin "$bin_dir" --scales "$root/data/scales" --proteins "$proteins" \
  --jobs "$jobs"
