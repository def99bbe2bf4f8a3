#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds and runs tests/consumer against it.
# usage: run.sh BUILD_DIR SOURCE_DIR [TOOLCHAIN_FILE EMULATOR]
set -euo pipefail
build=$1 source=$2 toolchain=${3:-} emulator=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
args=(-S "$source/tests/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix")
if [[ -n $toolchain ]]; then
  # A cross toolchain searches packages only below its own root: name the package folder.
  args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCOMMON_WIN32_BOOST_INCLUDE_DIR="$build/boost-include"
         -Dcommon-win32_DIR="$work/prefix/lib/cmake/common-win32")
fi
cmake "${args[@]}" >/dev/null
cmake --build "$work/build" >/dev/null
if [[ -n $toolchain ]]; then
  cp "$work/prefix/bin/"*.dll "$work/build/"
  "$emulator" "$work/build/consumer.exe"
else
  export WINPORT_ROOT="$work/state"
  LD_LIBRARY_PATH="$work/prefix/lib" "$work/build/consumer"
  # The pkg-config file serves a plain compiler call as well.
  export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig"
  g++ -std=c++17 "$source/tests/consumer/main.cpp" -o "$work/consumer-pc" $(pkg-config --cflags --libs common-win32)
  LD_LIBRARY_PATH="$work/prefix/lib" "$work/consumer-pc"
fi
