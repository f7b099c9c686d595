#!/usr/bin/env bash
# Makes the Wine prefix of the virtual-mouse tests, once: a copy of the project's
# prepared prefix where there is one, else a new one.
set -euo pipefail
target=$1
[ -f "$target/system.reg" ] && exit 0
source "$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-env.sh"
rm -rf "$target" "$target.tmp"
if [ -f "$WINEPREFIX/system.reg" ]; then
  WINEPREFIX="$WINEPREFIX" wineserver -w || true
  cp -a "$WINEPREFIX" "$target.tmp"
else
  WINEPREFIX="$target.tmp" talun_prepare_wine
fi
mv "$target.tmp" "$target"
