#!/usr/bin/env bash
# Shows the window, TalunR5Update.exe, under Wine with the simulated mouse, which
# is plugged in three seconds after the start: the window shows "UPDATING...."
# and then "FIRMWARE UPDATED.".
#
#   app/run-under-wine.sh            on your display: close the window to end
#   app/run-under-wine.sh --shots    without a display (or with --shots): under
#                                    Xvfb, screenshots saved and their paths printed
#
# Installs what it needs and builds the Windows preset's program and simulated
# mouse first (build/windows; TALUN_BUILD_DIR names another, built, folder). Runs in a folder of its own,
# <build>/demo, so that the build's own files stay as they are, and on a Wine
# desktop of its own (a 1024 x 768 window), whatever other Wine programs of the
# same prefix run on.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

shots=no
[ "${1:-}" = "--shots" ] && shots=yes
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  shots=yes
  unset DISPLAY
fi

build=${TALUN_BUILD_DIR:-build/windows}
if [ -z "${TALUN_BUILD_DIR:-}" ]; then
  bash scripts/install-deps.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target TalunR5Update hiddriver_sim
fi
for f in TalunR5Update.exe hiddriver.dll; do
  [ -f "$build/bin/$f" ] || { echo "missing $build/bin/$f: build the windows preset" >&2; exit 1; }
done

demo=$(cd "$build" && pwd)/demo
rm -rf "$demo"
mkdir -p "$demo"
cp "$build/bin/TalunR5Update.exe" "$build/bin/hiddriver.dll" dist/default.ini "$demo/"
cat >"$demo/sim-scenario.ini" <<'EOF'
# The demonstration: no mouse at start, plugged in after three seconds.
[sim]
present = 0
plug_at_ms = 3000
control_file = sim-control.txt
state_file = sim-state.txt
trace_file = sim-trace.txt
EOF
: >"$demo/sim-control.txt"

talun_prepare_wine
[ "$shots" = yes ] && talun_start_xvfb

# The processes of this demonstration, by id: the program started in the demo
# folder, and the explorer of the Wine desktop it runs on.
tool_process() {
  local p
  for p in $(pgrep -f '^TalunR5Update\.exe' || true); do
    [ "$(readlink "/proc/$p/cwd" 2>/dev/null)" = "$demo" ] && echo "$p"
  done
  return 0
}
tool_running() { [ -n "$(tool_process)" ]; }
desktop_processes() { pgrep -f '^C:.windows.system32.explorer\.exe /desktop=TalunR5Demo' || true; }
finish() {
  local p
  for p in $(tool_process) $(desktop_processes); do kill "$p" 2>/dev/null || true; done
  talun_stop_xvfb
}
trap finish EXIT

# Waits (at most a minute) until the command succeeds.
wait_for() {
  local i
  for i in $(seq 1 600); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  echo "gave up waiting for: $*" >&2
  return 1
}
# Wine's own messages go to a file.
(cd "$demo" && exec "$TALUN_WINE64_LOADER" explorer /desktop=TalunR5Demo,1024x768 TalunR5Update.exe \
  >"$demo/wine-output.txt" 2>&1) &

if [ "$shots" = no ]; then
  echo "TalunR5Update.exe on $DISPLAY; the mouse comes in 3 s (append \"unplug\" or \"plug\""
  echo "to $demo/sim-control.txt to pull it out or put it back). Close the window to end."
  wait_for tool_running || exit 1
  while tool_running; do sleep 0.5; done
  exit 0
fi

desktop() { xdotool search --name 'TalunR5Demo' 2>/dev/null | head -1; }
state() { grep -qx "$1" "$demo/sim-state.txt" 2>/dev/null; }
shot() {
  import -window root "$demo/$1.png"
  echo "  $demo/$1.png"
}

echo "TalunR5Update.exe under Xvfb ($DISPLAY); screenshots:"
wait_for test -s "$demo/sim-state.txt"  # the window has bound the mouse's library
sleep 1  # the first paint
shot 1-idle
wait_for test -s "$demo/sim-trace.txt"  # the mouse is in and the run has begun
shot 2-updating
wait_for state commits_0x08=1  # the last report acknowledged
sleep 1  # the window repaints its status
shot 3-updated
# The next mouse refuses the firmware: "FIRMWARE NOT UPDATED." and the hint.
control() { echo "$1" >>"$demo/sim-control.txt"; }
control unplug
wait_for state open=no
control "set refuse_write=0x2A:1"
control plug
wait_for state commits_0x08=2  # the settings restore after the refused firmware
sleep 1
shot 4-not-updated
# Close it as an operator does, with Alt+F4.
tool=$(tool_process)
xdotool windowfocus --sync "$(desktop)" key alt+F4
if [ -n "$tool" ] && wait_for bash -c "! kill -0 $tool 2>/dev/null"; then
  echo "closed with Alt+F4; the simulated mouse's channel: $(grep '^open=' "$demo/sim-state.txt")"
fi
