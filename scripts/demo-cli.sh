#!/usr/bin/env bash
# Builds the Linux command line and updates the simulated mouse with it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target talun-r5 hiddriver_sim >/dev/null
echo "Updating the simulated mouse with build/native/bin/talun-r5:"
exec build/native/bin/talun-r5 update "$@"
