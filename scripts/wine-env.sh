# Sourced by the scripts: a Wine prefix of the project's own, prepared once (and
# a 32-bit one for the 32-bit build), and an X display (Xvfb when there is none).
TALUN_ROOT=${TALUN_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$TALUN_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The loader of the prefix being prepared: the 64-bit one, or the 32-bit one for
# the 32-bit prefix.
TALUN_WINE64_LOADER=$TALUN_ROOT/cmake/wine64-loader.sh
TALUN_WINE32_LOADER=/usr/lib/wine/wine
talun_wine() { "${TALUN_WINE_LOADER:-$TALUN_WINE64_LOADER}" "$@"; }

# Whether this machine starts 32-bit programs at all: a kernel built or booted
# without 32-bit support answers "Exec format error", whatever is installed.
talun_runs_32bit() { "$TALUN_WINE32_LOADER" --version >/dev/null 2>&1; }

# What a prefix was made with: this preparation's version and the fonts the
# system had (Wine keeps what it found of them in the prefix's font cache).
talun_wine_prefix_mark() {
  echo "talun prefix 3"
  ls /usr/share/wine/fonts /usr/share/fonts/truetype/liberation 2>/dev/null | md5sum
}

talun_prepare_wine() {
  local mark="$WINEPREFIX/talun-prefix-mark.txt"
  if [ -f "$WINEPREFIX/system.reg" ] && ! cmp -s "$mark" <(talun_wine_prefix_mark); then
    # Made before the fonts (or by an older script): made again. Only a prefix
    # of the project's build tree is removed, never one of the user's own.
    case "$WINEPREFIX" in
      "$TALUN_ROOT"/build/*)
        echo "The Wine prefix $WINEPREFIX predates the system's fonts: making it again..."
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX" ;;
      *)
        echo "warning: the Wine prefix $WINEPREFIX predates the system's fonts;" \
          "texts may be drawn too wide: remove it to have it made again" >&2 ;;
    esac
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix $WINEPREFIX (once)..."
    mkdir -p "$WINEPREFIX"
    talun_wine wineboot -i >/dev/null 2>&1 || true
    # Without a window manager, managed windows cost seconds each under Xvfb.
    talun_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
    # Wine does not find its own TrueType fonts (fonts-wine: Marlett for the
    # caption buttons, Tahoma, MS Sans Serif) in its data folder here; in the
    # prefix's Fonts folder it does.
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    talun_wine_prefix_mark >"$mark"
  fi
}

# The 32-bit build's prefix: a win32 one of its own, made by Debian's wine32.
talun_prepare_wine32() {
  WINEPREFIX=${TALUN_WINEPREFIX32:-$TALUN_ROOT/build/wineprefix32} WINEARCH=win32 \
    TALUN_WINE_LOADER=$TALUN_WINE32_LOADER talun_prepare_wine
}

talun_start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in 99 98 97 96 95; do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      TALUN_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
      done
      echo "Xvfb did not start" >&2
      return 1
    fi
  done
  echo "no free X display number" >&2
  return 1
}

talun_stop_xvfb() {
  if [ -n "${TALUN_XVFB_PID:-}" ]; then
    kill "$TALUN_XVFB_PID" 2>/dev/null || true
    wait "$TALUN_XVFB_PID" 2>/dev/null || true
  fi
}
