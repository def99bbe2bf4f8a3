# Sourced by the scripts: Wine for the x86_64 test programs, in the build's own prefix.
# Warming up first (wineserver -p, wineboot) keeps ctest from hanging on Wine's background
# processes holding the test output pipe.
wine_warm_up() {
  local build_dir=$1
  export WINEPREFIX="$build_dir/wineprefix" WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wineserver -p
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 || true
}
wine_stop() {
  WINEPREFIX="$1/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
}
