# Sourced by the scripts: Wine for the Windows test programs, in the build's own prefix.
# Warming up first (wineserver -p, wineboot) keeps ctest from hanging on Wine's background
# processes holding the test output pipe. 32-bit programs run under /usr/lib/wine/wine (never
# wine64, which "runs" them by exiting 0 at once), in a prefix that wine64 made.
source "$(dirname "${BASH_SOURCE[0]}")/wine32/prepare.sh"

# wine_warm_up BUILD_DIR [i686]
wine_warm_up() {
  local build_dir=$1 arch=${2:-x86_64}
  export WINEPREFIX="$build_dir/wineprefix" WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY
  if [[ $arch == i686 ]]; then wine32_prepare "$build_dir" || return 1; fi
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wineserver -p
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 || true
}
wine_stop() {
  WINEPREFIX="$1/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
}
