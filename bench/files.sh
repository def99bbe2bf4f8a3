#!/usr/bin/env bash
# The file routines against their peers, in one run: ReplaceFileVariables vs GNU sed and
# FindStringInFile vs grep -F -o | wc -l on a generated 64 MB file. Prints the ratios (above 1:
# the library is faster).
#   bench/files.sh [BUILD_DIR]    default build/posix (built with the posix preset)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/posix}
"$build/bin/cw32-bench" --benchmark_filter='BM_(ReplaceFileVariables|SedReplace|FindStringInFile|GrepCount)/' \
  --benchmark_format=json | python3 bench/ratios.py
