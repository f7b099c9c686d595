#!/usr/bin/env bash
# Benchmark of talun-r5 as a station on the Linux driver library as it ships
# (drivers/linux/libhiddriver.so): N emulated hidraw mice (umockdev) plugged in
# at once and updated by one "talun-r5 watch", then one mouse alone. Prints what
# each run took and, as its last line:
#   N mice: X s, 1 mouse: Y s, ratio R, cpu Z % of wall
# as scripts/bench-station.sh does for the simulated mice. Z is talun-r5's CPU
# time over X; the emulated mice's own CPU time is printed on each run's line.
#
# usage: scripts/bench-station-umock.sh [N]      (N defaults to 8)
# Build the native preset first (it builds build/native/tests/umock/umock_bench).
set -euo pipefail

mice=${1:-8}
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/native/tests/umock/umock_bench
if [[ ! -x $bench ]] || ! command -v umockdev-wrapper >/dev/null; then
    echo "$0: needs $bench (native preset) and umockdev-wrapper (Debian: umockdev)" >&2
    exit 2
fi
# umockdev's sockets live in its folder under TMPDIR: keep the path short.
TMPDIR=/tmp exec umockdev-wrapper "$bench" "$mice"
