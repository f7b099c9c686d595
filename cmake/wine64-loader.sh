#!/bin/sh
# Runs a 64-bit Windows program with Wine's 64-bit loader itself. Debian's "wine"
# command starts the 32-bit loader whenever wine32 is installed, even for a
# 64-bit program, and a kernel without 32-bit support cannot start that one.
if [ -x /usr/lib/wine/wine64 ]; then
  export WINELOADER="${WINELOADER:-/usr/lib/wine/wine64}"
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
