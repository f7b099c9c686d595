#!/usr/bin/env bash
# Makes the Wine prefix of the virtual-mouse tests when it is missing or older
# than the current preparation: a copy of the project's prepared prefix where
# that one is current, else a new one.
set -euo pipefail
target=$1
source "$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine-env.sh"
current() { [ -f "$1/system.reg" ] && cmp -s "$1/talun-prefix-mark.txt" <(talun_wine_prefix_mark); }
current "$target" && exit 0
WINEPREFIX="$target" wineserver -k 2>/dev/null || true
rm -rf "$target" "$target.tmp"
if current "$WINEPREFIX"; then
  wineserver -w || true
  cp -a "$WINEPREFIX" "$target.tmp"
else
  WINEPREFIX="$target.tmp" talun_prepare_wine
fi
mv "$target.tmp" "$target"
