# Sourced by the ratio scripts whose benchmark is one self-timed program built twice: runs the
# POSIX build over winport (in a scratch state folder) and the x86_64 Windows build under Wine
# (in the build's own prefix) in one run, and prints each phase's rates and their ratio (above
# 1: winport is faster). Fails when either side fails or leaves a phase without a rate.
#
# usage: phase_ratio NAME PROGRAM WHAT POSIX_BUILD_DIR MINGW_BUILD_DIR PHASE...
#   NAME for messages, PROGRAM the benchmark's file name without .exe, WHAT the system measured
phase_ratio() {
  local name=$1 program=$2 what=$3 posix_build=$4 mingw_build=$5
  shift 5
  local posix_bench=$posix_build/bin/$program windows_bench=$mingw_build/bin/$program.exe
  for bench in "$posix_bench" "$windows_bench"; do
    [[ -f $bench ]] || { echo "$name: $bench is missing; build its preset first" >&2; return 2; }
  done

  local state posix_out wine_out status=0
  state=$(mktemp -d)
  echo "winport $what ($posix_bench) ..." >&2
  posix_out=$(WINPORT_ROOT=$state "$posix_bench") || status=$?
  rm -rf "$state"
  ((status == 0)) || { echo "$name: the winport side failed" >&2; return 1; }

  source scripts/wine-env.sh
  wine_stop "$PWD/$mingw_build"  # a server left running would refuse the warm-up's persistent start
  wine_warm_up "$PWD/$mingw_build"
  echo "Wine $what ($windows_bench) ..." >&2
  wine_out=$(/usr/lib/wine/wine64 "$windows_bench" | tr -d '\r') || status=$?
  wine_stop "$PWD/$mingw_build"
  ((status == 0)) || { echo "$name: the Wine side failed" >&2; return 1; }

  rate() {  # rate PHASE OUTPUT
    echo "$2" | sed -n "s/^phase=$1 .*rate=\([0-9.]*\).*/\1/p"
  }
  printf '%-10s %16s %16s %8s\n' phase 'winport calls/s' 'Wine calls/s' ratio
  local phase ours theirs
  for phase in "$@"; do
    ours=$(rate "$phase" "$posix_out")
    theirs=$(rate "$phase" "$wine_out")
    [[ -n $ours && -n $theirs ]] || { echo "$name: no result for $phase" >&2; return 1; }
    printf '%-10s %16.0f %16.0f %8.2f\n' "$phase" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
  done
}
