#!/usr/bin/env bash
# Set-up, build, and the window under Wine with the simulated mouse plugged in
# shortly after start: "UPDATING...." and then "FIRMWARE UPDATED.". Without a
# display it runs under Xvfb and prints where its screenshots are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
exec app/run-under-wine.sh "$@"
