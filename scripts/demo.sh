#!/usr/bin/env bash
# Quick start: install what is missing, build the POSIX library and cw32, and run the demo plan
# against the default system state (${XDG_STATE_HOME:-$HOME/.local/state}/winport). The plan's
# files are made in build/posix/demo, so the checkout stays clean.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset posix -DCW32_BUILD_BENCH=OFF >/dev/null
cmake --build --preset posix -j"$(nproc)" --target cw32 cw32-demo-redist
mkdir -p build/posix/demo
cd build/posix/demo
exec ../bin/cw32 plan ../../../examples/demo.plan
