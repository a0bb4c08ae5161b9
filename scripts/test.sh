#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
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
