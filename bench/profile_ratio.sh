#!/usr/bin/env bash
# Runs the INI benchmark against winport's profile functions (POSIX build) and Wine's kernel32
# (the x86_64 Windows build under Wine) in one run, and prints both rates and their ratio
# (above 1: winport is faster). Fails when either side fails or gives no rate.
#
# usage: bench/profile_ratio.sh [POSIX_BUILD_DIR [MINGW_BUILD_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."
posix_bench=$(realpath "${1:-build/posix}")/bin/cw32-profile-bench
mingw_build=$(realpath "${2:-build/mingw-x86_64}")
windows_bench=$mingw_build/bin/cw32-profile-bench.exe
for program in "$posix_bench" "$windows_bench"; do
  [[ -f $program ]] || { echo "profile_ratio: $program is missing; build its preset first" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ours=$(cd "$work" && WINPORT_ROOT=$work/state "$posix_bench")
source scripts/wine-env.sh
wine_warm_up "$mingw_build" >/dev/null || true  # a server already running for the prefix is fine
theirs=$(cd "$work" && "$mingw_build/wine-run.sh" "$windows_bench" | tr -d '\r')
wine_stop "$mingw_build"
rate() { echo "$1" | sed -n 's/^phase=read .*rate=\([0-9.]*\).*/\1/p'; }
[[ -n $(rate "$ours") && -n $(rate "$theirs") ]] || { echo "profile_ratio: a side gave no rate" >&2; exit 1; }
printf '%-6s %14s %14s %8s\n' phase 'winport reads/s' 'Wine reads/s' ratio
printf '%-6s %14.0f %14.0f %8.2f\n' read "$(rate "$ours")" "$(rate "$theirs")" "$(echo "$(rate "$ours") / $(rate "$theirs")" | bc -l)"
