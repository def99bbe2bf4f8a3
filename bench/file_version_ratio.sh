#!/usr/bin/env bash
# Times MsiGetFileVersionW over 1,000 PE files (Wine's own DLLs and programs) on winport (POSIX
# build) and on Wine's installer service (the x86_64 Windows build under Wine) in one run, and
# prints the rates and their ratio (above 1: winport is faster). Goal: at least 1.
#
# usage: bench/file_version_ratio.sh [POSIX_BUILD_DIR [MINGW_BUILD_DIR [ROUNDS]]]
#        (defaults: build/posix, build/mingw-x86_64 and 5 rounds, each built with its preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
posix_build=${1:-build/posix}
mingw_build=${2:-build/mingw-x86_64}
rounds=${3:-5}
posix_bench=$PWD/$posix_build/bin/cw32-file-version-bench
windows_bench=$PWD/$mingw_build/bin/cw32-file-version-bench.exe
for program in "$posix_bench" "$windows_bench"; do
  [[ -f $program ]] || { echo "file_version_ratio: $program is missing; build its preset first" >&2; exit 2; }
done

# Paths relative to /, which Wine starts in as Z:\, so that both sides read the same names.
paths=$(find /usr/lib/*/wine/*-windows -maxdepth 1 -type f 2>/dev/null | sort | awk 'NR <= 1000' | sed 's|^/||')
[[ $(echo "$paths" | wc -l) -eq 1000 ]] || { echo "file_version_ratio: fewer than 1,000 files in Wine's folders" >&2; exit 2; }

echo "winport ($posix_bench) ..." >&2
posix_out=$(cd / && echo "$paths" | "$posix_bench" "$rounds")
source scripts/wine-env.sh
wine_stop "$PWD/$mingw_build"  # a server left running would refuse the warm-up's persistent start
wine_warm_up "$PWD/$mingw_build"
echo "Wine's installer service ($windows_bench) ..." >&2
wine_out=$(cd / && echo "$paths" | /usr/lib/wine/wine64 "$windows_bench" "$rounds" | tr -d '\r')
wine_stop "$PWD/$mingw_build"

echo "winport: $posix_out"
echo "Wine:    $wine_out"
rate() { echo "$1" | sed -n 's/.*rate=\([0-9.]*\).*/\1/p'; }
printf 'MsiGetFileVersionW ratio (winport / Wine): %.2f\n' "$(echo "$(rate "$posix_out") / $(rate "$wine_out")" | bc -l)"
versioned() { echo "$1" | sed -n 's/.*versioned=\([0-9]*\).*/\1/p'; }
if [[ $(versioned "$posix_out") != $(versioned "$wine_out") ]]; then
  echo "file_version_ratio: the two sides found a version in different numbers of files" >&2
  exit 1
fi
