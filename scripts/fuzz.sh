#!/usr/bin/env bash
# Longer runs of the libFuzzer targets of fuzz/ than the test command's smoke runs.
#   scripts/fuzz.sh [SECONDS]    each target for SECONDS (default 300)
# New inputs collect in build/posix-fuzz/fuzz/corpus/<target>/; a crash leaves its input
# (crash-*) in build/posix-fuzz/fuzz/. Exits non-zero when a target finds a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
cmake --preset posix-fuzz >/dev/null
cmake --build --preset posix-fuzz -j2
status=0
for target in build/posix-fuzz/bin/*_fuzzer; do
  name=$(basename "$target")
  seeds=()
  [[ -d fuzz/corpus/$name ]] && seeds=("fuzz/corpus/$name")
  mkdir -p "build/posix-fuzz/fuzz/corpus/$name"
  echo "=== $name, $seconds s"
  log="build/posix-fuzz/fuzz/$name.log"
  rc=0
  (cd build/posix-fuzz/fuzz && "../../../$target" -max_total_time="$seconds" -print_final_stats=1 \
      -rss_limit_mb=2048 "corpus/$name" "${seeds[@]/#/../../../}") >"$log" 2>&1 || rc=$?
  grep -E '^stat::number_of_executed_units|^stat::new_units_added|ERROR|SUMMARY|Done' "$log" || true
  [[ $rc -eq 0 ]] || { echo "$name failed (exit $rc): see $log"; status=1; }
done
exit $status
