#!/usr/bin/env bash
# Times the feature programs and the vector assembly on generated inputs:
# a 100,000-residue protein for each feature program (target < 0.3 s each)
# and 40 tracks of 100,000 residues for AssembleFeatureRows (target < 1.5 s).
# Usage: bench/features.sh [folder holding the built programs]  (default build/bin)
set -euo pipefail

bin_dir=$(cd "${1:-$(dirname "$0")/../build/bin}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

residues=100000
tracks=40
runs=3

# Inputs. A fixed seed makes every run time the same files.
awk -v n="$residues" -v dir="$work" 'BEGIN {
  srand(7)
  alphabet = "ARNDCQEGHILKMFPSTWYV"
  split("-32768 A -32768 C D E F G H I K L M N P Q R S T V W -100 Y -32768 -32768 -401 -32768 -32768", column, " ")
  seq = ""
  for (i = 1; i <= n; i++) seq = seq substr(alphabet, int(rand() * 20) + 1, 1)
  fasta = dir "/p.fa"
  print ">bench generated protein" > fasta
  for (i = 1; i <= n; i += 60) print substr(seq, i, 60) > fasta
  scale = dir "/scale.tsv"
  for (a = 1; a <= 20; a++) printf "%s\t%.3f\n", substr(alphabet, a, 1), rand() * 4 - 2 > scale
  ss2 = dir "/p.ss2"
  print "# PSIPRED VFORMAT (PSIPRED V4.0)\n" > ss2
  for (i = 1; i <= n; i++) {
    c = rand(); h = rand() * (1 - c); e = 1 - c - h
    printf "%4d %s %s   %.3f  %.3f  %.3f\n", i, substr(seq, i, 1), (c > 0.5 ? "C" : (h > e ? "H" : "E")), c, h, e > ss2
  }
  # Line 2 holds the query sequence, cut to 99,998 letters: a longer line
  # would be read as several lines (pieces of at most 99,999 bytes).
  mtx = dir "/p.mtx"
  print n > mtx
  print substr(seq, 1, 99998) > mtx
  for (i = 1; i <= 12; i++) printf "%e\n", rand() > mtx
  for (i = 1; i <= n; i++) {
    line = ""
    for (k = 1; k <= 28; k++) line = line (column[k] ~ /^-/ ? column[k] : int(rand() * 900) - 450) "  "
    print line > mtx
  }
}'
mkdir -p "$work/feat"
awk -v n="$residues" -v tracks="$tracks" -v dir="$work" 'BEGIN {
  srand(11)
  for (t = 1; t <= tracks; t++) {
    track = dir "/feat/T" t ".txt"
    print "T" t > (dir "/index.txt")
    for (i = 0; i < n; i++) printf "%f #QUERY %d %d\n", rand() * 2 - 1, i, n > track
    close(track)
  }
}'

# Best of $runs wall-clock seconds of one command, its output discarded.
best_time() {
  local best="" t
  for ((r = 0; r < runs; r++)); do
    local start end
    start=$(date +%s%N)
    "$@" > /dev/null
    end=$(date +%s%N)
    t=$(( (end - start) / 1000000 ))
    if [[ -z "$best" || $t -lt $best ]]; then best=$t; fi
  done
  printf '%d.%03d' $((best / 1000)) $((best % 1000))
}

report() {
  local name=$1 target=$2 seconds=$3
  printf '%-22s %8s s   (target < %s s)\n' "$name" "$seconds" "$target"
}

echo "Feature programs, $residues residues; AssembleFeatureRows, $tracks tracks (best of $runs)"
"$bin_dir/ExtractProfileMatrix" "$work/p.mtx" "$work/p.tab"
report ApplyResidueScale 0.3 "$(best_time "$bin_dir/ApplyResidueScale" "$work/p.fa" "$work/scale.tsv" 15)"
report SplitSecStructProbs 0.3 "$(best_time "$bin_dir/SplitSecStructProbs" "$work/p.ss2" "$work/feat/" 15)"
report ExtractProfileMatrix 0.3 "$(best_time "$bin_dir/ExtractProfileMatrix" "$work/p.mtx" "$work/p.tab")"
report TrackProfileColumn 0.3 "$(best_time "$bin_dir/TrackProfileColumn" "$work/p.tab" A 15)"
report AssembleFeatureRows 1.5 "$(best_time "$bin_dir/AssembleFeatureRows" "$work/index.txt" "$work/feat/")"
