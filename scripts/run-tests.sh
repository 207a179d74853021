#!/usr/bin/env bash
# Checks the formatting, builds linkerkit and runs every test: the release
# build; the same tests under AddressSanitizer and UndefinedBehaviorSanitizer;
# the command-line and road tests with every program under valgrind; and
# every fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
ensure_fuzzer_runtime

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Runs ctest in a build folder with the given arguments, keeping its output
# for the closing count.
run_ctest() {
  local folder=$1
  shift
  (cd "$folder" && ctest --output-on-failure -j2 "$@") | tee -a "$log"
}

echo "== formatting"
bash scripts/check-format.sh

echo "== release build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLINKERKIT_BUILD_TESTS=ON >/dev/null
cmake --build build -j2 >/dev/null
run_ctest build

echo "== sanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLINKERKIT_SANITIZE=ON >/dev/null
cmake --build build-asan -j2 >/dev/null
run_ctest build-asan

echo "== end-to-end tests with every program run under valgrind"
# The road's tests run linkerkit-predict under the wrapper, and valgrind
# follows the processes it forks for the proteins' work; under the wrapper
# they use smaller proteomes and skip the training and the timing of a signal.
# scripts/valgrind.supp says what of the libraries' own memory is not counted.
LINKERKIT_TOOL_WRAPPER="valgrind --leak-check=full --errors-for-leak-kinds=all --error-exitcode=97 -q \
--suppressions=$PWD/scripts/valgrind.supp" \
  run_ctest build -L 'cli|road'
bash scripts/valgrind-examples.sh

echo "== fuzzing every input reader briefly"
bash scripts/run-fuzz.sh 20 | tee -a "$log"

passed=$(($(grep -o 'tests failed out of [0-9]*' "$log" | awk '{s += $5} END {print s + 0}') + $(grep -c ': ok ' "$log" || true)))
echo "all stages: $passed passed, 0 failed"
