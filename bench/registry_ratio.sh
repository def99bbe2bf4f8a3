#!/usr/bin/env bash
# Runs the registry benchmark against winport's registry (POSIX build) and against Wine's
# (the x86_64 Windows build under Wine) in one run, and prints the rates and their ratio
# (above 1: winport is faster). Goal: reads and enumeration at least 1, writes at least 0.5.
#
# usage: bench/registry_ratio.sh [POSIX_BUILD_DIR [MINGW_BUILD_DIR]]
#        (defaults: build/posix and build/mingw-x86_64, each built with its preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/phase_ratio.sh
phase_ratio registry_ratio cw32-registry-bench registry "${1:-build/posix}" "${2:-build/mingw-x86_64}" \
  create read enumerate delete
