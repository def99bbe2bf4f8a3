#!/usr/bin/env bash
# Runs the service benchmark against winport's control manager (POSIX build, in a scratch
# state folder) and against Wine's (the x86_64 Windows build under Wine, in the build's own
# prefix) in one run, and prints the rates and their ratio (above 1: winport is faster) for
# creating 500 services, reading their configurations and deleting them. Goal: at least 1 each.
# Fails when either side fails.
#
# usage: bench/service_ratio.sh [POSIX_BUILD_DIR [MINGW_BUILD_DIR]]
#        (defaults: build/posix and build/mingw-x86_64, each built with its preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
posix_build=${1:-build/posix}
mingw_build=${2:-build/mingw-x86_64}
posix_bench=$posix_build/bin/cw32-service-bench
windows_bench=$mingw_build/bin/cw32-service-bench.exe
for program in "$posix_bench" "$windows_bench"; do
  [[ -f $program ]] || { echo "service_ratio: $program is missing; build its preset first" >&2; exit 2; }
done

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT
echo "winport control manager ($posix_bench) ..." >&2
posix_out=$(WINPORT_ROOT=$state "$posix_bench") || { echo "service_ratio: the winport side failed" >&2; exit 1; }

source scripts/wine-env.sh
wine_stop "$PWD/$mingw_build"  # a server left running would refuse the warm-up's persistent start
wine_warm_up "$PWD/$mingw_build"
echo "Wine control manager ($windows_bench) ..." >&2
status=0
wine_out=$(/usr/lib/wine/wine64 "$windows_bench" | tr -d '\r') || status=$?
wine_stop "$PWD/$mingw_build"
[[ $status == 0 ]] || { echo "service_ratio: the Wine side failed" >&2; exit 1; }

rate() {  # rate PHASE OUTPUT
  echo "$2" | sed -n "s/^phase=$1 .*rate=\([0-9.]*\).*/\1/p"
}
printf '%-8s %16s %16s %8s\n' phase 'winport calls/s' 'Wine calls/s' ratio
for phase in create query delete; do
  ours=$(rate "$phase" "$posix_out")
  theirs=$(rate "$phase" "$wine_out")
  if [[ -z $ours || -z $theirs ]]; then
    echo "service_ratio: no result for $phase" >&2
    exit 1
  fi
  printf '%-8s %16.0f %16.0f %8.2f\n' "$phase" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done
