#!/usr/bin/env bash
# Makes the build's package (cpack: the Windows zip, or the Debian package), installs it into a
# scratch prefix as a user would, runs the installed cw32 from there, and builds and runs
# tests/consumer against it with only CMake's and Boost's own hints.
# usage: run.sh BUILD_DIR SOURCE_DIR VERSION [TOOLCHAIN_FILE EMULATOR]
set -euo pipefail
build=$1 source=$2 version=$3 toolchain=${4:-} emulator=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The packages stay in the build folder, where a user takes them from.
(cd "$build" && cpack -B "$build/packages" >/dev/null)
args=(-S "$source/tests/consumer" -B "$work/build")
if [[ -n $toolchain ]]; then
  zip=$(echo "$build/packages/common-win32-$version-windows-"*.zip)
  (cd "$work" && cmake -E tar xf "$zip")
  prefix=$work/$(basename "$zip" .zip)
  cw32=("$emulator" "$prefix/bin/cw32.exe")
  # A cross toolchain searches only below its own root, so the hints name folders: the
  # package's, and one that holds only boost/ (not all of /usr/include, whose glibc headers
  # would shadow mingw's).
  mkdir "$work/boost" && ln -s /usr/include/boost "$work/boost/boost"
  args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -Dcommon-win32_DIR="$prefix/lib/cmake/common-win32"
         -DBoost_INCLUDE_DIR="$work/boost")
else
  dpkg -x "$(echo "$build/packages/common-win32_${version}_"*.deb)" "$work/root"
  prefix=$work/root/usr
  cw32=("$prefix/bin/cw32")
  args+=(-DCMAKE_PREFIX_PATH="$prefix")
fi

# The installed cw32 starts from the scratch prefix (no LD_LIBRARY_PATH) and tells the version.
said=$(env -u LD_LIBRARY_PATH "${cw32[@]}" --version | tr -d '\r')
if [[ $said != "cw32 $version" ]]; then
  echo "installed cw32 --version said '$said', not 'cw32 $version'" >&2
  exit 1
fi

cmake "${args[@]}" >/dev/null
cmake --build "$work/build" >/dev/null
if [[ -n $toolchain ]]; then
  cp "$prefix/bin/"*.dll "$work/build/"
  "$emulator" "$work/build/consumer.exe"
else
  export WINPORT_ROOT="$work/state"
  env -u LD_LIBRARY_PATH "$work/build/consumer"
  # The pkg-config file serves a plain compiler call as well.
  export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
  g++ -std=c++17 "$source/tests/consumer/main.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs common-win32) \
      -Wl,-rpath,"$(pkg-config --variable=libdir common-win32)"
  env -u LD_LIBRARY_PATH "$work/consumer-pc"
fi
