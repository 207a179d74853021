#!/usr/bin/env bash
# Times ReportDomainHinges on three proteome-sized score files of 20,000
# proteins (about 10 million lines each) next to the one-line awk threshold
# filter a user might run instead, and reports its peak memory:
#  - realistic: 100 to 900 residues, a noisy background with one to four
#    bumps, threshold 0.5; target at least 5 times faster than the awk line;
#  - random: 500 residues, values uniform in [-2, 2], threshold 1.5, about a
#    million short runs; target at least 4 times faster, under 64 MiB;
#  - candidates: 100 to 900 residues (uniform lengths), values uniform in
#    [-2, 2], threshold 1.5, about a million candidates; target at least 4
#    times faster, under 64 MiB.
# Each file is timed REPEATS times (5 by default), the program and the awk
# line back to back, so that both meet the same load; the figures are
# medians and the ratio is the median of the back-to-back ratios. The
# machine's load is printed before and after.
#
#   bash bench/report.sh [path/to/ReportDomainHinges [path/to/another/ReportDomainHinges]]
#
# With a second program, each file's report and listing from both must be
# the same bytes (a check that a faster build changed no output), and the
# second program is timed too.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/common.sh"
source "$root/scripts/ensure-deps.sh"
ensure_packages "${BENCH_PACKAGES[@]}"
program=${1:-$LINKERKIT_BIN/ReportDomainHinges}
other=${2:-}
repeats=${REPEATS:-5}
for binary in "$program" ${other:+"$other"}; do
  [[ -x $binary ]] || { echo "no program at $binary: build first" >&2; exit 1; }
done
work=$BENCH_WORK

# Deterministic: a Park-Miller generator (exact in awk's doubles) rather
# than awk's own rand, so every awk writes the same files.
park_miller='function next_uniform() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }'
# Each protein has a noisy background near 0.3 and one to four smooth bumps
# that cross 0.5.
make_realistic() {
  awk -v proteins=20000 'BEGIN {
    seed = 20240601
    for (p = 1; p <= proteins; ++p) {
      n = 100 + int(next_uniform() * 801)
      bumps = 1 + int(next_uniform() * 4)
      for (b = 1; b <= bumps; ++b) {
        centre[b] = next_uniform() * n
        width[b] = 4 + next_uniform() * 12
        height[b] = 0.4 + next_uniform() * 0.3
      }
      noise = 0
      name = sprintf("PROT%05d", p)
      for (i = 0; i < n; ++i) {
        noise = 0.8 * noise + 0.2 * (next_uniform() - 0.5) * 0.4
        value = 0.3 + noise
        for (b = 1; b <= bumps; ++b) {
          d = i - centre[b]; if (d < 0) d = -d
          if (d < width[b]) value += height[b] * (1 - d / width[b])
        }
        printf "%f #%s %d %d\n", value, name, i, n
      }
    }
  }'"$park_miller"
}
# Uniform values: runs above 1.5 are short and many, so the candidates, not
# the reading, weigh most.
make_random() {
  awk -v proteins=20000 'BEGIN {
    seed = 20240817
    for (p = 1; p <= proteins; ++p) {
      name = sprintf("RAND%05d", p)
      for (i = 0; i < 500; ++i) printf "%f #%s %d %d\n", -2 + 4 * next_uniform(), name, i, 500
    }
  }'"$park_miller"
}
# The same values over proteins of every length from 100 to 900.
make_candidates() {
  awk -v proteins=20000 'BEGIN {
    seed = 20250318
    for (p = 1; p <= proteins; ++p) {
      n = 100 + int(next_uniform() * 801)
      name = sprintf("CAND%05d", p)
      for (i = 0; i < n; ++i) printf "%f #%s %d %d\n", -2 + 4 * next_uniform(), name, i, n
    }
  }'"$park_miller"
}

# Runs a command with standard output to /dev/null; prints
# "WALL_SECONDS CPU_SECONDS PEAK_KIB", CPU being user plus system time.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v p="$1" -v a="$2" 'BEGIN { if (p + 0 > 0) printf "%.2f", a / p; else print "-" }'; }

# Writes the options file for program's run on scores; the report goes to
# report.NAME.
options_for() {
  printf 'NormalizedFile = %s\nOutputFile = %s\n' "$1" "$work/report.$2" >"$work/options.$2"
}

# same_output SCORE_FILE THRESHOLD: fails unless both programs write the
# same report and listing.
same_output() {
  local scores=$1 threshold=$2 name
  for name in program other; do
    options_for "$scores" "$name"
    local binary=$program
    [[ $name == other ]] && binary=$other
    "$binary" "$work/options.$name" 2 "$threshold" >"$work/listing.$name"
  done
  cmp "$work/report.program" "$work/report.other" && cmp "$work/listing.program" "$work/listing.other" ||
    { echo "the two programs' outputs differ on $scores" >&2; exit 1; }
  echo "same report ($(wc -l <"$work/report.program") lines) and listing ($(wc -l <"$work/listing.program") lines) from both programs"
  rm -f "$work"/listing.* "$work"/report.*
}

# time_program LABEL BINARY SCORE_FILE THRESHOLD: REPEATS runs, each next to
# an awk run; prints the medians.
time_program() {
  local label=$1 binary=$2 scores=$3 threshold=$4
  options_for "$scores" timed
  local walls=() cpus=() peaks=() awk_walls=() awk_cpus=() wall_ratios=() cpu_ratios=() wall cpu peak awk_wall awk_cpu r
  for ((r = 1; r <= repeats; ++r)); do
    read -r wall cpu peak < <(measure "$binary" "$work/options.timed" 2 "$threshold")
    read -r awk_wall awk_cpu _ < <(measure awk "\$1>=$threshold{c++} END{print c}" "$scores")
    walls+=("$wall") cpus+=("$cpu") peaks+=("$peak") awk_walls+=("$awk_wall") awk_cpus+=("$awk_cpu")
    wall_ratios+=("$(ratio "$wall" "$awk_wall")") cpu_ratios+=("$(ratio "$cpu" "$awk_cpu")")
  done
  local peak_kib
  peak_kib=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)
  printf '%s: median %ss wall, %ss CPU; awk median %ss wall, %ss CPU; peak %.1f MiB\n' "$label" \
    "$(printf '%s\n' "${walls[@]}" | median)" "$(printf '%s\n' "${cpus[@]}" | median)" \
    "$(printf '%s\n' "${awk_walls[@]}" | median)" "$(printf '%s\n' "${awk_cpus[@]}" | median)" \
    "$(awk -v k="$peak_kib" 'BEGIN { print k / 1024 }')"
  echo "  runs (program/awk wall): $(paste -d/ <(printf '%s\n' "${walls[@]}") <(printf '%s\n' "${awk_walls[@]}") | tr '\n' ' ')"
  echo "  faster than awk: $(printf '%s\n' "${wall_ratios[@]}" | median)x by wall time, $(printf '%s\n' "${cpu_ratios[@]}" | median)x by CPU time (medians of $repeats back-to-back ratios)"
}

# bench NAME MAKER THRESHOLD SPEED_TARGET
bench() {
  local name=$1 maker=$2 threshold=$3 target=$4
  local scores=$work/$name.txt
  "$maker" >"$scores"
  echo "== $name score file: $(wc -l <"$scores") lines, $(($(stat -c %s "$scores") / 1048576)) MiB, threshold $threshold (target >= ${target}x, < 64 MiB)"
  cat "$scores" >/dev/null  # every timing starts from a warm page cache
  if [[ -n $other ]]; then same_output "$scores" "$threshold"; fi
  options_for "$scores" timed
  "$program" "$work/options.timed" 2 "$threshold" >"$work/listing.timed"
  echo "$(wc -l <"$work/listing.timed") candidates, $(grep -c . "$work/report.timed") report lines"
  rm -f "$work/listing.timed"
  time_program ReportDomainHinges "$program" "$scores" "$threshold"
  if [[ -n $other ]]; then time_program "second program" "$other" "$scores" "$threshold"; fi
  rm -f "$scores"
}

echo "awk on PATH: $(readlink -f "$(command -v awk)") ($( (awk -W version 2>/dev/null || awk --version 2>/dev/null) | head -1))"
echo "load before: $(uptime)"
bench realistic make_realistic 0.5 5
bench random make_random 1.5 4
bench candidates make_candidates 1.5 4
echo "load after: $(uptime)"
