#!/usr/bin/env bash
# Runs the service benchmark against winport's control manager (POSIX build) and against
# Wine's (the x86_64 Windows build under Wine) in one run, and prints the rates and their ratio
# (above 1: winport is faster) for creating 500 services, reading their configurations and
# deleting them. Goal: at least 1 each.
#
# usage: bench/service_ratio.sh [POSIX_BUILD_DIR [MINGW_BUILD_DIR]]
#        (defaults: build/posix and build/mingw-x86_64, each built with its preset first)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/phase_ratio.sh
phase_ratio service_ratio cw32-service-bench "control manager" "${1:-build/posix}" "${2:-build/mingw-x86_64}" \
  create query delete
