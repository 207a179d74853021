# Sourced by the benchmark scripts.
: "${LINKERKIT_BIN:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/bin}"
BENCH_WORK=$(mktemp -d)
trap 'rm -rf "$BENCH_WORK"' EXIT

# median_of N command...: runs the command N times, prints the median wall
# time in seconds with the fastest and slowest, the median CPU time, and the
# highest peak resident memory of the runs in MiB.
median_of() {
  local runs=$1
  shift
  python3 - "$runs" "$@" <<'PY'
import os, statistics, subprocess, sys, time
runs, command = int(sys.argv[1]), sys.argv[2:]
walls, cpus, peak = [], [], 0.0
for _ in range(runs):
    start = time.perf_counter()
    with subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) as process:
        _, status, usage = os.wait4(process.pid, 0)
    walls.append(time.perf_counter() - start)
    if status != 0:
        sys.exit(f"failed: {' '.join(command)}")
    cpus.append(usage.ru_utime + usage.ru_stime)
    peak = max(peak, usage.ru_maxrss / 1024)
spread = f" ({min(walls):.3f} to {max(walls):.3f})" if runs > 1 else ""
print(f"{statistics.median(walls):.3f} s{spread}, CPU {statistics.median(cpus):.3f} s, peak {peak:.1f} MiB")
PY
}

# load: the machine's load averages over 1, 5 and 15 minutes.
load() { cut -d' ' -f1-3 /proc/loadavg; }

# per_protein SECONDS COUNT: milliseconds per protein.
per_protein() { awk -v s="$1" -v n="$2" 'BEGIN { printf "%.2f", s * 1000 / n }'; }
# wall_seconds "X s..." (median_of's figures): X.
wall_seconds() { echo "${1%% s*}"; }
