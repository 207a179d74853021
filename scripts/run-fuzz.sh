#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each one for a fixed time, seeded from
# fuzz/corpus/<target>/. Fails when any target finds a crash, a leak, a hang
# or runs out of memory; the input that did it is kept in build-fuzz/artifacts/.
#
#   bash scripts/run-fuzz.sh [seconds per target, default 20]
set -euo pipefail

seconds=${1:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DLINKERKIT_FUZZ=ON -DLINKERKIT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

mkdir -p "$build/artifacts"
# The targets write their inputs to files; in memory that costs far less
# than on a disk that flushes every rewritten file.
if [[ -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi
failed=()
for target in "$build"/fuzz-bin/*; do
  name=$(basename "$target")
  # New inputs go to a scratch corpus, so the seeds in the repository stay small.
  corpus=$(mktemp -d)
  if [[ -d "$root/fuzz/corpus/$name" ]]; then cp -R "$root/fuzz/corpus/$name/." "$corpus/"; fi
  log="$build/artifacts/$name.log"
  if "$target" "$corpus" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$name-" >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed+=("$name")
  fi
  rm -rf "$corpus"
  runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -1 || true)
  echo "$name: $status ${runs:-no summary} (log: $log)"
done

if ((${#failed[@]})); then
  echo "fuzzing found problems in: ${failed[*]}"
  exit 1
fi
