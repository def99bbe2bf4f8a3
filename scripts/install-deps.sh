#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build and test common-win32.
#   scripts/install-deps.sh          native build only (POSIX library, cw32, tests, benchmarks)
#   scripts/install-deps.sh --all    also the mingw-w64 cross compilers, Wine and the fuzzing compiler
set -euo pipefail

packages=(cmake make g++ pkg-config libboost-dev libsqlite3-dev nettle-dev
          libgtest-dev libgmock-dev googletest libbenchmark-dev sqlite3)
if [[ "${1:-}" == "--all" ]]; then
  packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
