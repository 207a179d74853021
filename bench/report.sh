#!/usr/bin/env bash
# Times ReportDomainHinges on two proteome-sized score files next to the
# one-line awk threshold filter a user might run instead, and reports its
# peak memory:
#  - realistic: 20,000 proteins of 100 to 900 residues, about 10 million
#    lines, threshold 0.5; target at least 5 times faster than the awk line;
#  - random: 20,000 proteins of 500 residues, 10 million values uniform in
#    [-2, 2], threshold 1.5, about a million short runs; targets at least 4
#    times faster than the awk line and under 64 MiB.
#
#   bash bench/report.sh [path/to/ReportDomainHinges]    (REPEATS=3 by default)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/bin/ReportDomainHinges}
repeats=${REPEATS:-3}
[[ -x $program ]] || { echo "no program at $program: build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic: a Park-Miller generator (exact in awk's doubles) rather
# than awk's own rand, so every awk writes the same file. Each protein has a
# noisy background near 0.3 and one to four smooth bumps that cross 0.5.
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
}
function next_uniform() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }' >"$work/scores.txt"
# The same generator, uniform values: runs above 1.5 are short and many, so
# the candidates, not the reading, weigh most.
awk -v proteins=20000 'BEGIN {
  seed = 20240817
  for (p = 1; p <= proteins; ++p) {
    name = sprintf("RAND%05d", p)
    for (i = 0; i < 500; ++i) printf "%f #%s %d %d\n", -2 + 4 * next_uniform(), name, i, 500
  }
}
function next_uniform() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }' >"$work/random.txt"

# Runs a command with standard output to /dev/null and prints
# "WALL_SECONDS CPU_SECONDS PEAK_KIB". With /usr/bin/time the CPU time (user
# plus system) is given too, a steadier figure on a busy machine; without it
# the CPU time is "-" and peak memory comes from VmHWM polled while the
# command runs.
measure() {
  if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time"
  else
    local start end peak=0 key value
    start=$(date +%s.%N)
    "$@" >/dev/null &
    local pid=$!
    while [[ -r /proc/$pid/status ]]; do
      while read -r key value _; do
        [[ $key == VmHWM: ]] && peak=$value
      done <"/proc/$pid/status" 2>/dev/null || true
      sleep 0.02
    done
    wait "$pid"
    end=$(date +%s.%N)
    echo "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }') - $peak"
  fi
}

best() { sort -n | head -1; }
seconds() { if [[ $1 == - ]]; then echo "n/a"; else echo "${1}s"; fi; }
ratio() { awk -v p="$1" -v a="$2" 'BEGIN { if (p + 0 > 0) printf "%.1fx", a / p; else print "-" }'; }

# bench NAME SCORE_FILE THRESHOLD SPEED_TARGET
bench() {
  local name=$1 scores=$2 threshold=$3 target=$4
  printf 'NormalizedFile = %s\nOutputFile = %s\n' "$scores" "$work/report.txt" >"$work/options.txt"
  local lines megabytes
  lines=$(wc -l <"$scores")
  megabytes=$(( $(stat -c %s "$scores") / 1048576 ))
  cat "$scores" >/dev/null  # both timings start from a warm page cache
  local program_wall=() program_cpu=() awk_wall=() awk_cpu=() peaks=() wall cpu peak r
  for ((r = 1; r <= repeats; ++r)); do
    read -r wall cpu peak < <(measure "$program" "$work/options.txt" 2 "$threshold")
    program_wall+=("$wall") program_cpu+=("$cpu") peaks+=("$peak")
    read -r wall cpu _ < <(measure awk "\$1>=$threshold{c++} END{print c}" "$scores")
    awk_wall+=("$wall") awk_cpu+=("$cpu")
  done
  local program_best awk_best program_cpu_best awk_cpu_best peak_kib
  program_best=$(printf '%s\n' "${program_wall[@]}" | best)
  awk_best=$(printf '%s\n' "${awk_wall[@]}" | best)
  program_cpu_best=$(printf '%s\n' "${program_cpu[@]}" | best)
  awk_cpu_best=$(printf '%s\n' "${awk_cpu[@]}" | best)
  peak_kib=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)

  echo "== $name score file: $lines lines, $megabytes MiB, threshold $threshold; $(grep -c . "$work/report.txt") report lines"
  echo "ReportDomainHinges: ${program_best}s wall, $(seconds "$program_cpu_best") CPU (best of $repeats; wall runs: ${program_wall[*]})"
  echo "awk '\$1>=$threshold{c++}': ${awk_best}s wall, $(seconds "$awk_cpu_best") CPU (best of $repeats; wall runs: ${awk_wall[*]})"
  echo "ratio: $(ratio "$program_best" "$awk_best") faster than awk by wall time, $(ratio "$program_cpu_best" "$awk_cpu_best") by CPU time (target >= ${target}x)"
  awk -v k="$peak_kib" 'BEGIN { printf "peak memory: %.1f MiB (target < 64 MiB)\n", k / 1024 }'
}

bench realistic "$work/scores.txt" 0.5 5
rm -f "$work/scores.txt"
bench random "$work/random.txt" 1.5 4
