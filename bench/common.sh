# Sourced by the benchmark scripts.
: "${LINKERKIT_BIN:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/bin}"
BENCH_WORK=$(mktemp -d)
trap 'rm -rf "$BENCH_WORK"' EXIT

# best_of N command...: runs the command N times, prints the fastest wall
# time in seconds and the peak resident memory of that run in MiB.
best_of() {
  local runs=$1
  shift
  python3 - "$runs" "$@" <<'PY'
import resource, subprocess, sys, time
runs, command = int(sys.argv[1]), sys.argv[2:]
best = None
for _ in range(runs):
    start = time.perf_counter()
    with subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) as process:
        _, status, usage = __import__("os").wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {' '.join(command)}")
    if best is None or elapsed < best[0]:
        best = (elapsed, usage.ru_maxrss / 1024)
print(f"{best[0]:.3f} s, peak {best[1]:.1f} MiB")
PY
}

# per_protein SECONDS COUNT: milliseconds per protein.
per_protein() { awk -v s="$1" -v n="$2" 'BEGIN { printf "%.2f", s * 1000 / n }'; }
# wall_seconds "X s, peak Y MiB" (best_of's figures): X.
wall_seconds() { echo "${1%% s,*}"; }
