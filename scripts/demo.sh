#!/usr/bin/env bash
# Quick start: install what is missing, build the POSIX library and cw32, and run the demo plan
# against the default system state (${XDG_STATE_HOME:-$HOME/.local/state}/winport).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset posix -DCW32_BUILD_BENCH=OFF >/dev/null
cmake --build --preset posix -j"$(nproc)" --target cw32 examples
exec build/posix/bin/cw32 plan examples/demo.plan
