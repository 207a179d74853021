#!/usr/bin/env bash
# Checks that every C++ source (tools, lib, loaders, tests, fuzz, bench,
# examples) is formatted as .clang-format says; prints what differs and
# exits non-zero otherwise. To format a file in place: clang-format -i FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-deps.sh
ensure_packages "${FORMAT_PACKAGES[@]}"

mapfile -t sources < <(find tools lib loaders tests fuzz bench examples -type f \
  \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' \) | LC_ALL=C sort)
clang-format --dry-run --Werror "${sources[@]}"
echo "format: ${#sources[@]} files as .clang-format says"
