#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# Every tracked C++ file must read as the project's .clang-format writes it;
# the first one that does not stops the run before anything is built.
if ! git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror; then
  echo "Formatting differs from .clang-format in the files above: run clang-format -i on them." >&2
  exit 1
fi

scripts/build.sh
ctest --test-dir build --output-on-failure -j2

# Everything but the window once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (the "asan" preset; the window's tests stay on the
# build above, where the toolkit's own leaks cannot drown the report).
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

# Each fuzz target for a few seconds, about half a minute together;
# scripts/fuzz.sh runs them for longer.
scripts/fuzz.sh 6
