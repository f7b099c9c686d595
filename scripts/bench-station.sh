#!/usr/bin/env bash
# Benchmark of talun-r5 as a station: N simulated mice are plugged in at once and
# updated by one "talun-r5 watch", then one mouse alone, in the same run. Prints
# what each run took and, as its last line:
#   N mice: X s, 1 mouse: Y s, ratio R, cpu Z % of wall
# X and Y run from the program's start to the last mouse's outcome; Z is the CPU
# time of talun-r5 (all its threads, the simulated mice's included) over X.
#
# usage: scripts/bench-station.sh [N]      (N defaults to 8)
# TALUN_BENCH_BIN: the folder of talun-r5 and the simulated mouse's library
# (default build/native/bin; build it first with the native preset).
set -euo pipefail

mice=${1:-8}
if ! [[ $mice =~ ^[0-9]+$ ]] || ((mice < 1 || mice > 64)); then
    echo "usage: $0 [N], N from 1 to 64" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${TALUN_BENCH_BIN:-$root/build/native/bin}
if [[ ! -x $bin/talun-r5 || ! -e $bin/libhiddriver.so ]]; then
    echo "$0: no talun-r5 and libhiddriver.so in $bin; build the native preset first" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ticks=$(getconf CLK_TCK)

now() { date +%s.%N; }

# run_station COUNT: sets wall (s) and cpu (s) of a watch that updates COUNT mice.
run_station() {
    local count=$1 dir=$work/mice-$1
    mkdir -p "$dir"
    # Plugged in together, a moment after the monitor opened; no control file.
    printf 'mice = %s\npresent = 0\nplug_at_ms = 200\n' "$count" >"$dir/scenario.ini"
    local start end
    start=$(now)
    coproc WATCH { TALUN_SIM_SCENARIO=$dir/scenario.ini exec "$bin/talun-r5" --json watch 2>"$dir/err.txt"; }
    local pid=$WATCH_PID seen=0 updated=0 line
    # Blocking reads of the outcomes as they come: one JSON object per mouse
    # (a library that never reports them all ends the wait after 5 minutes).
    while ((seen < count)) && read -r -t 300 line <&"${WATCH[0]}"; do
        [[ $line == *'"command":"watch"'* ]] || continue
        seen=$((seen + 1))
        [[ $line == *'"outcome":"updated"'* ]] && updated=$((updated + 1))
    done
    end=$(now)
    # User and system time of every thread of the process so far (fields 14, 15).
    local stat
    stat=$(cut -d' ' -f14,15 "/proc/$pid/stat")
    kill -INT "$pid"
    wait "$pid" || true
    if ((updated != count)); then
        echo "$0: $updated of $count mice updated; see $dir/err.txt:" >&2
        cat "$dir/err.txt" >&2
        exit 1
    fi
    wall=$(awk -v a="$end" -v b="$start" 'BEGIN { print a - b }')
    cpu=$(awk -v u="${stat% *}" -v s="${stat#* }" -v t="$ticks" 'BEGIN { print (u + s) / t }')
    printf '%2d mouse(s): %.2f s wall, %.3f s cpu (counted in steps of 1/%d s), all updated\n' \
        "$count" "$wall" "$cpu" "$ticks"
}

run_station "$mice"
many_wall=$wall
many_cpu=$cpu
run_station 1
one_wall=$wall

ratio=$(awk -v a="$many_wall" -v b="$one_wall" 'BEGIN { print a / b }')
cpu_percent=$(awk -v c="$many_cpu" -v w="$many_wall" 'BEGIN { print 100 * c / w }')
printf '%d mice: %.2f s, 1 mouse: %.2f s, ratio %.3f, cpu %.2f %% of wall\n' \
    "$mice" "$many_wall" "$one_wall" "$ratio" "$cpu_percent"
