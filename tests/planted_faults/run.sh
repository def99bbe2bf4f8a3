#!/usr/bin/env bash
# Plants each deliberate fault (a patch against the library, winport or cw32), rebuilds the
# preset, runs its tests and reports whether they caught it; the tree is restored after each.
# usage: tests/planted_faults/run.sh [PRESET] [PATCH...]   (default: posix, every patch here)
# Exits non-zero when a fault went uncaught or a patch no longer applies.
set -uo pipefail
cd "$(dirname "$0")/../.."
preset=${1:-posix}
shift || true
patches=("$@")
((${#patches[@]})) || patches=(tests/planted_faults/*.patch)
missed=0
cmake --preset "$preset" >/dev/null || exit 1
# winport's answers are also compared with Windows' (under Wine) when a Windows probe is built.
windows_probe=build/mingw-x86_64/bin/cw32-probe.exe
differential() {
  [[ $preset == posix && -x build/mingw-x86_64/wine-run.sh && -f $windows_probe ]] || return 0
  python3 tests/probes/compare.py "$windows_probe" build/posix/bin/cw32-probe build/mingw-x86_64/wine-run.sh
}
for patch in "${patches[@]}"; do
  name=$(basename "$patch" .patch)
  if ! git apply "$patch"; then
    echo "$name: DOES NOT APPLY"
    missed=$((missed + 1))
    continue
  fi
  trap 'git apply -R "$patch"; exit 1' INT TERM
  if ! cmake --build --preset "$preset" -j"$(nproc)" >/dev/null 2>&1; then
    echo "$name: caught (does not build)"
  elif ctest --preset "$preset" -j"$(nproc)" --output-on-failure >"build/$preset-planted-$name.log" 2>&1 &&
       differential >>"build/$preset-planted-$name.log" 2>&1; then
    echo "$name: MISSED"
    missed=$((missed + 1))
  else
    # The failing GoogleTest cases, else the failing ctest entries (the end-to-end script).
    by=$(grep -oE '^\[  FAILED  \] [A-Za-z0-9_/.]+' "build/$preset-planted-$name.log" | awk '$4 ~ /\./ {print $4}' | sort -u)
    [[ -n $by ]] || by=$(grep -oE 'Test +#[0-9]+: [^ ]+ .*(Failed|Exception)' "build/$preset-planted-$name.log" | awk '{print $3}')
    [[ -n $by ]] || by="the Windows comparison: $(grep -E '^(DIFFERS|LISTED)' "build/$preset-planted-$name.log" | head -n 2 | tr '\n' ' ')"
    echo "$name: caught by" $(echo "$by" | head -n 4)
  fi
  git apply -R "$patch"
  trap - INT TERM
done
cmake --build --preset "$preset" -j"$(nproc)" >/dev/null 2>&1
exit $((missed > 0))
