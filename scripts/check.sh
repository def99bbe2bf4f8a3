#!/usr/bin/env bash
# The test command: install what is missing, build every target (posix, posix-asan, the
# posix-fuzz smoke runs, mingw-i686, mingw-x86_64) and run every test, natively and the
# Windows build under Wine.
# Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --all || exit 1
source scripts/wine-env.sh

jobs=$(nproc)
passed=0
failed=0
failures=()
details=()
reruns=()

# ctest's closing count, and its two numbers.
summary_line() { echo "$1" | grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' | tail -n 1; }
failed_of() { echo "$1" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/'; }
total_of() { echo "$1" | sed -E 's/.* tests failed out of ([0-9]+).*/\1/'; }

# The failed checks of a ctest run, kept for the end of the log so that it names them.
collect_details() {
  local l
  while IFS= read -r l; do details+=("$l"); done < <(echo "$1" | grep -E \
    -e ': Failure$' -e '^ *(Expected|Which is|Value of|  Actual|Google Test trace)' \
    -e '\[  FAILED  \]' -e 'exception' -e 'What happened' | head -n 60)
}

# How many tests each GoogleTest program of the last ctest run ran, from ctest's log. A
# program that printed no count did not run (a 32-bit program started the wrong way exits 0
# at once), and that fails the check.
count_tests_run() {
  local preset=$1 log="build/$1/Testing/Temporary/LastTest.log" row
  [[ -f $log ]] || return
  while IFS= read -r row; do
    echo "  $row"
    if [[ $row == *"did not run"* ]]; then
      failures+=("$preset: $row")
      failed=$((failed + 1))
    fi
  done < <(awk '
    match($0, /^[0-9]+\/[0-9]+ Test: /) { name = substr($0, RLENGTH + 1); next }
    name ~ /^test-/ && match($0, /^\[==========\] [0-9]+ tests? from .* ran\./) {
      split($0, w, " "); ran[name] = w[2]; next
    }
    name ~ /^test-/ && /^"[^"]+" end time:/ {
      if (!(name in ran) || ran[name] == 0) print name ": did not run (no GoogleTest count)"
      else print name ": " ran[name] " tests ran"
      delete ran[name]; name = ""
    }' "$log")
}

# run_suite PRESET: configure, build, and run the preset's tests, adding up the results.
run_suite() {
  local preset=$1
  echo "=== $preset"
  local log="build/$preset.log"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j"$jobs"; } >"$log" 2>&1; then
    grep -E 'error|Error' "$log" | head -n 40
    tail -n 20 "$log"
    failures+=("$preset: build")
    failed=$((failed + 1))
    return
  fi
  if [[ $(ctest --preset "$preset" -N 2>/dev/null) == *'Total Tests: 0'* ]]; then
    failures+=("$preset: no tests registered (is Wine for this architecture installed?)")
    failed=$((failed + 1))
    return
  fi
  local wine=""
  case $preset in
    mingw-x86_64) wine=x86_64 ;;
    mingw-i686) wine=i686 ;;
  esac
  if [[ -n $wine ]] && ! wine_warm_up "$PWD/build/$preset" "$wine"; then
    failures+=("$preset: Wine could not start")
    failed=$((failed + 1))
    return
  fi
  local out line
  out=$(ctest --preset "$preset" 2>&1)
  echo "$out" | tail -n 40
  line=$(summary_line "$out")
  count_tests_run "$preset"
  # Wine is not Windows: a test program that fails under it once is run a second time, and the
  # first run's failed checks stay in the log (and at its end), so a Wine hiccup is told from a
  # fault that fails every time.
  if [[ -n $wine && -n $line && $(failed_of "$line") -gt 0 ]]; then
    details+=("--- $preset, first run (run again below)")
    collect_details "$out"
    local again
    again=$(ctest --preset "$preset" --rerun-failed 2>&1)
    echo "=== $preset: the failed test programs, run again"
    echo "$again" | tail -n 20
    local again_line
    again_line=$(summary_line "$again")
    if [[ -n $again_line ]]; then
      local still
      still=$(failed_of "$again_line")
      [[ $still -eq 0 ]] &&
        reruns+=("$preset: $(failed_of "$line") test programs failed under Wine once and passed when run again")
      line="run again: $still tests failed out of $(total_of "$line")"
      out=$again
    fi
  fi
  [[ -n $wine ]] && wine_stop "$PWD/build/$preset"
  if [[ -n $line ]]; then
    local bad total
    bad=$(failed_of "$line")
    total=$(total_of "$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    if [[ $bad -gt 0 ]]; then
      failures+=("$preset: $bad test programs")
      details+=("--- $preset")
      collect_details "$out"
    fi
  else
    failures+=("$preset: ctest did not finish")
    failed=$((failed + 1))
  fi
}

mkdir -p build
# posix-fuzz: the fuzz targets of fuzz/, each run for a few seconds (clang, ASan and UBSan).
for preset in posix posix-asan posix-fuzz mingw-i686 mingw-x86_64; do
  run_suite "$preset"
done

echo
[[ ${#details[@]} -gt 0 ]] && printf '%s\n' "${details[@]}"
[[ ${#reruns[@]} -gt 0 ]] && printf 'RUN AGAIN: %s\n' "${reruns[@]}"
[[ ${#failures[@]} -gt 0 ]] && printf 'FAILED: %s\n' "${failures[@]}"
echo "check: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
