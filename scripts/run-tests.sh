#!/usr/bin/env bash
# Builds linkerkit and runs every test: the release build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

echo "== release build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLINKERKIT_BUILD_TESTS=ON >/dev/null
cmake --build build -j2 >/dev/null
(cd build && ctest --output-on-failure -j2)

echo "== sanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLINKERKIT_SANITIZE=ON >/dev/null
cmake --build build-asan -j2 >/dev/null
(cd build-asan && ctest --output-on-failure -j2)

echo "== end-to-end tests with every program run under valgrind"
(cd build && LINKERKIT_TOOL_WRAPPER="valgrind --leak-check=full --errors-for-leak-kinds=all --error-exitcode=97 -q" \
  ctest --output-on-failure -j2 -R 'Cli\.')
bash scripts/valgrind-examples.sh

echo "== fuzzing every input reader briefly"
bash scripts/run-fuzz.sh 20
