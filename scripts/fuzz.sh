#!/usr/bin/env bash
# Builds the fuzz targets with clang (the "fuzz" preset) and runs each for
# SECONDS_EACH seconds (default 60), one after another, or only the targets
# named after it. The seed corpora in fuzz/corpus/ are read, never written:
# new inputs collect in build-fuzz/corpus/. An input that breaks a property
# is kept in build-fuzz/findings/ and the script fails.
#
#   scripts/fuzz.sh [SECONDS_EACH] [TextDecoding SimpleParser PageTitle WrapperFragment CatalogueJson
#                                   HtmlTextReader PageFilter LinkExtraction ResultsPage]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift $(( $# > 0 ? 1 : 0 ))
targets=("$@")
[ "${#targets[@]}" -gt 0 ] ||
  targets=(TextDecoding SimpleParser PageTitle WrapperFragment CatalogueJson HtmlTextReader PageFilter
           LinkExtraction ResultsPage)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

failed=()
for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus" build-fuzz/findings
  log="build-fuzz/$target.log"
  if build-fuzz/bin/"$target"Fuzzer -max_total_time="$seconds" -timeout=60 -rss_limit_mb=3072 \
      -artifact_prefix="build-fuzz/findings/$target-" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    echo "$target: $(grep -E '^Done' "$log" || echo done)"
  else
    echo "$target: FAILED (log: $log)"
    grep -E -A12 'PROPERTY FAILED|ERROR: ' "$log" | head -40 || tail -40 "$log"
    failed+=("$target")
  fi
done
[ "${#failed[@]}" -eq 0 ] || { echo "fuzzing found problems in: ${failed[*]}"; exit 1; }
