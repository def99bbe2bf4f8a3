#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build and test common-win32.
#   scripts/install-deps.sh          native build only (POSIX library, cw32, tests, benchmarks)
#   scripts/install-deps.sh --all    also the mingw-w64 cross compilers, Wine (64-bit, and 32-bit
#                                    from the i386 architecture) and the fuzzing compiler
set -euo pipefail
source "$(dirname "$0")/wine32/prepare.sh"

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# install PACKAGE...: installs those that are missing.
updated=""
install() {
  local missing=() p
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "install-deps: installing ${missing[*]}"
  [[ -n $updated ]] || { $sudo apt-get update -q; updated=1; }
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install cmake make g++ pkg-config libboost-dev libsqlite3-dev nettle-dev \
        libgtest-dev libgmock-dev googletest libbenchmark-dev sqlite3
[[ "${1:-}" == "--all" ]] || exit 0

install g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 clang libclang-rt-14-dev
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  updated=""
fi
install wine32:i386
# A kernel without 32-bit emulation runs 32-bit Wine under qemu (scripts/wine32/prepare.sh).
wine32_i386_native || install qemu-user-static gcc-multilib
