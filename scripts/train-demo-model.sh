#!/usr/bin/env bash
# Trains the demonstration model from the example proteins: their vector
# lines (linkerkit-predict --features-only, so with the shipped index list),
# labelled from their linker regions in examples/linkers.txt
# (LabelFeatureRows), learnt by svm-train. The model shows the road working;
# four made-up proteins cannot make a validated predictor.
#
#   bash scripts/train-demo-model.sh [model file] [folder holding the built programs]
#
# Defaults: examples/demo/svm.model, and a release build in build/ made first.
set -euo pipefail
export LC_ALL=C  # the proteins in a fixed order, so the same model every time

root=$(cd "$(dirname "$0")/.." && pwd)
model=${1:-$root/examples/demo/svm.model}
bin_dir=${2:-}
# A linear kernel, and linker residues (about one in seven) weighted up.
readonly svm_options=(-t 0 -c 1 -w1 4)

source "$root/scripts/ensure-deps.sh"
if [[ -z $bin_dir ]]; then
  ensure_packages "${BUILD_PACKAGES[@]}" svm-train:libsvm-tools
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$root/build" -j2 >/dev/null
  bin_dir=$root/build/bin
else
  ensure_packages svm-train:libsvm-tools
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fasta in "$root"/examples/*.fa; do
  name=$(basename "$fasta" .fa)
  "$bin_dir/linkerkit-predict" --features-only --model "$root/examples/demo" --scales "$root/examples" \
    --name "$name" --work "$work/$name" --ss2 "$root/examples/$name.ss2" --mtx "$root/examples/$name.mtx" \
    "$fasta" 2>"$work/$name.log" || { tail -n 1 "$work/$name.log"; exit 1; }
  "$bin_dir/LabelFeatureRows" "$work/$name/vectors/$name.vectors" "$root/examples/linkers.txt" "$name" >"$work/$name.labelled" || {
    cat "$work/$name.labelled"
    exit 1
  }
  cat "$work/$name.labelled" >>"$work/training.txt"
  echo "$name: $(grep -c '^+1' "$work/$name.labelled") linker residues of $(wc -l <"$work/$name.labelled")"
done
svm-train -q "${svm_options[@]}" "$work/training.txt" "$model" >/dev/null
echo "model: $model ($(sed -n 's/^total_sv //p' "$model") support vectors)"
