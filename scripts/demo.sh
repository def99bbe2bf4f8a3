#!/usr/bin/env bash
# Quick start: install what is missing, build the POSIX library and cw32, and run the demo plan,
# the accounts plan and the service plan (with the demo service program) against the default system state
# (${XDG_STATE_HOME:-$HOME/.local/state}/winport). The plans' files are made in
# build/posix/demo, so the checkout stays clean.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset posix -DCW32_BUILD_BENCH=OFF >/dev/null
cmake --build --preset posix -j"$(nproc)" --target cw32 cw32-demo-redist cw32-demo-service
mkdir -p build/posix/demo
cd build/posix/demo
../bin/cw32 plan ../../../examples/demo.plan
# The accounts plan reads the new account's password from standard input, twice: to make the
# account and to check it.
printf '%s\n%s\n' 'Demo-Passw0rd' 'Demo-Passw0rd' | ../bin/cw32 plan ../../../examples/accounts.plan
exec ../bin/cw32 --arg "service_program=$(cd ../bin && pwd)/cw32-demo-service" plan ../../../examples/service.plan
