#!/usr/bin/env bash
# Builds everything and runs every test: the Linux build, the same tests with
# address and undefined-behaviour sanitizers, the fuzzers for a short while,
# and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
source scripts/wine-env.sh

jobs=${TALUN_JOBS:-$(nproc)}
status=0
started=$SECONDS
took() { echo "=== $1: $((SECONDS - $2)) s"; }

for preset in native sanitize; do
  step=$SECONDS
  echo "=== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "=== $preset: test"
  ctest --preset "$preset" -j "$jobs" || status=1
  took "$preset" "$step"
done

echo "=== debian package: make, check, lintian, install, remove (as root)"
step=$SECONDS
bash tests/cli/check-debian-package.sh || status=1
took "debian package" "$step"

step=$SECONDS
echo "=== fuzz: build and run each fuzzer briefly"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz -j "$jobs" || status=1
took fuzz "$step"

step=$SECONDS
echo "=== windows: build"
talun_prepare_wine
talun_start_xvfb
trap 'talun_stop_xvfb' EXIT
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
echo "=== windows: test (under Wine)"
ctest --preset windows || status=1
took windows "$step"

# The same programs and tests as 32-bit Windows programs, for a 32-bit driver
# library, under 32-bit Wine in a win32 prefix of its own. A machine whose
# kernel starts no 32-bit program builds and packages them but cannot run them.
step=$SECONDS
echo "=== windows-x86: build"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j "$jobs"
if talun_runs_32bit; then
  echo "=== windows-x86: test (under 32-bit Wine)"
  talun_prepare_wine32
  ctest --preset windows-x86 || status=1
else
  echo "=== windows-x86: TESTS NOT RUN: this machine's kernel cannot start 32-bit programs"
  echo "    ($TALUN_WINE32_LOADER: Exec format error); the 32-bit build is checked by compiling only"
fi
took windows-x86 "$step"

took "everything" "$started"
if [ "$status" -ne 0 ]; then
  echo "SOME TESTS FAILED"
else
  echo "ALL TESTS PASSED"
fi
exit "$status"
