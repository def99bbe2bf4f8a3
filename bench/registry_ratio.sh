#!/usr/bin/env bash
# Runs the registry benchmark against winport's registry (POSIX build) and against Wine's
# (the x86_64 Windows build under Wine) in one run, and prints the rates and their ratio
# (above 1: winport is faster). Goal: reads and enumeration at least 1, writes at least 0.5.
#
# usage: bench/registry_ratio.sh [POSIX_BUILD_DIR [MINGW_BUILD_DIR]]
#        (defaults: build/posix and build/mingw-x86_64, each built with its preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
posix_build=${1:-build/posix}
mingw_build=${2:-build/mingw-x86_64}
posix_bench=$posix_build/bin/cw32-registry-bench
windows_bench=$mingw_build/bin/cw32-registry-bench.exe
for program in "$posix_bench" "$windows_bench"; do
  [[ -x $program || -f $program ]] || { echo "registry_ratio: $program is missing; build its preset first" >&2; exit 2; }
done

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
echo "winport registry ($posix_bench) ..." >&2
posix_out=$(WINPORT_ROOT=$state "$posix_bench")

source scripts/wine-env.sh
wine_warm_up "$PWD/$mingw_build"
echo "Wine registry ($windows_bench) ..." >&2
wine_out=$(/usr/lib/wine/wine64 "$windows_bench" | tr -d '\r')
wine_stop "$PWD/$mingw_build"

rate() {  # rate PHASE OUTPUT
  echo "$2" | sed -n "s/^phase=$1 .*rate=\([0-9.]*\).*/\1/p"
}
printf '%-10s %16s %16s %8s\n' phase 'winport calls/s' 'Wine calls/s' ratio
for phase in create read enumerate delete; do
  ours=$(rate "$phase" "$posix_out")
  theirs=$(rate "$phase" "$wine_out")
  if [[ -z $ours || -z $theirs ]]; then
    echo "registry_ratio: no result for $phase" >&2
    exit 1
  fi
  printf '%-10s %16.0f %16.0f %8.2f\n' "$phase" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done
