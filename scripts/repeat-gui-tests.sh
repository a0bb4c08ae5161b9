#!/usr/bin/env bash
# Runs the window's test suites (ctest label "gui") N times in a row (default
# 20) on the build in build/, and prints how often each passed: a flaky test
# shows as anything less than N of N. Not part of CI: it takes a while.
#
#   scripts/repeat-gui-tests.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-20}"
[ -d build ] || { echo "build/ is missing: run scripts/build.sh first" >&2; exit 2; }
logs=$(mktemp -d "${TMPDIR:-/tmp}/courseview-gui-runs.XXXXXX")

declare -A passed failed
failing_runs=0
for run in $(seq "$runs"); do
  log="$logs/run-$run.log"
  if ctest --test-dir build -L gui --output-on-failure >"$log" 2>&1; then
    echo "run $run of $runs: passed"
  else
    failing_runs=$((failing_runs + 1))
    echo "run $run of $runs: FAILED (log: $log)"
  fi
  while read -r name outcome; do
    if [ "$outcome" = Passed ]; then
      passed[$name]=$((${passed[$name]:-0} + 1))
    else
      failed[$name]=$((${failed[$name]:-0} + 1))
    fi
  done < <(sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) \.+ *\**([A-Za-z]+).*/\1 \2/p' "$log")
done

echo
echo "Tally over $runs runs:"
for name in $(printf '%s\n' "${!passed[@]}" "${!failed[@]}" | sort -u); do
  printf '  %-28s passed %3d, failed %3d\n' "$name" "${passed[$name]:-0}" "${failed[$name]:-0}"
done
# The failing cases themselves, for the runs that had any.
grep -h '^\[  FAILED  \] [A-Za-z]*\.[A-Za-z]* (' "$logs"/run-*.log 2>/dev/null |
  sed -E 's/ \([0-9]+ ms\)//' | sort | uniq -c | sed 's/^/  /' || true
echo "$((runs - failing_runs)) of $runs runs passed; logs in $logs"
[ "$failing_runs" -eq 0 ]
