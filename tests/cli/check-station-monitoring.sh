#!/usr/bin/env bash
# watch's figures and board with four simulated mice, the mouse in slot 2 refusing
# its second firmware part, as a monitoring server and a person see them.
#   metrics: the file passes promtool; Debian's prometheus-node-exporter, started
#            here on 127.0.0.1, serves its series from its textfile folder (through
#            a link, as the service arranges it), and a real prometheus scraping
#            that exporter answers the number of mice updated.
#   board:   watch --board in tmux, its screen read with capture-pane, again after
#            a resize, then Ctrl-C: the screen as it was and the final tally; with
#            output that is not a terminal, --board says so and prints the plain lines.
# Every server listens on 127.0.0.1 on a free port and is stopped here. What a
# person would look at (the screens, the query's answer) is kept in ARTEFACTS.
#   tests/cli/check-station-monitoring.sh metrics|board BIN_FOLDER ARTEFACTS
# BIN_FOLDER holds talun-r5 and the simulated mouse's libhiddriver.so.
# Exit 77 (skipped) when a tool it needs is not installed.
set -euo pipefail
mode=$1
bin=$(cd "$2" && pwd)
artefacts=$3
mkdir -p "$artefacts"
work=$(mktemp -d)
pids=()
tmux_socket="talun-board-$$"
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  tmux -L "$tmux_socket" kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed" >&2; exit 77; }
  done
}
# Waits up to two minutes for the command to succeed.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 1200); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  fail "waited two minutes for $what"
}
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
fetch() {
  python3 -c 'import sys, urllib.request; sys.stdout.write(urllib.request.urlopen(sys.argv[1], timeout=5).read().decode())' "$1"
}

# Four mice plugged in together; slot 2 refuses its second firmware part.
export TALUN_R5_GUARD_FILE=$work/guard.lock
export TALUN_SIM_SCENARIO=$work/scenario.ini
cat >"$TALUN_SIM_SCENARIO" <<INI
mice = 4
present = 0
plug_at_ms = 300
port = 1-1.{slot}
serial = R5-000{slot}
state_file = $work/state-{slot}.txt
[slot 2]
refuse_write = 0x2A:2
INI
printf 'station = line 3 west\n1-1.0 = A1\n1-1.1 = A2\n1-1.2 = A3\n1-1.3 = A4\n' >"$work/station.ini"
tally='tally: 3 updated, 1 not updated'

run_metrics() {
  need promtool prometheus prometheus-node-exporter python3
  # As the service has it: the file in a folder of its own, a link in the collector's.
  mkdir -p "$work/textfile" "$work/state"
  local metrics=$work/state/talun-r5.prom
  ln -s "$metrics" "$work/textfile/talun-r5.prom"
  "$bin/talun-r5" watch --station-file "$work/station.ini" --metrics "$metrics" >"$work/out.txt" 2>&1 &
  local watch=$!
  pids+=("$watch")
  wait_for "four mice in the metrics" grep -q 'talun_r5_mice_total{outcome="not_updated"} 1' "$metrics"
  wait_for "four mice in the metrics" grep -q 'talun_r5_mice_total{outcome="updated"} 3' "$metrics"
  kill -INT "$watch"
  wait "$watch" || true
  grep -q "stopped; $tally" "$work/out.txt" || fail "watch: $(cat "$work/out.txt")"
  echo "--- $metrics"
  cat "$metrics"
  promtool check metrics <"$metrics" || fail "promtool check metrics refused the file"
  grep -q 'talun_r5_failures_total{step="firmware part 2 of 3",how="refused"} 1' "$metrics" ||
    fail "the failure of slot 2 is not counted"
  grep -q 'talun_r5_slots_busy 0' "$metrics" || fail "slots still busy after the station stopped"
  grep -q 'talun_r5_update_duration_seconds_count 4' "$metrics" || fail "not four durations"
  [ "$(find "$work/state" -name '*.tmp*' | wc -l)" -eq 0 ] || fail "a temporary file was left"

  local exporter_port prometheus_port
  exporter_port=$(free_port)
  prometheus-node-exporter --web.listen-address="127.0.0.1:$exporter_port" \
    --collector.disable-defaults --collector.textfile \
    --collector.textfile.directory="$work/textfile" >"$work/exporter.log" 2>&1 &
  pids+=("$!")
  wait_for "the node exporter" fetch "http://127.0.0.1:$exporter_port/metrics"
  fetch "http://127.0.0.1:$exporter_port/metrics" >"$work/exported.txt"
  grep -q '^talun_r5_mice_total{outcome="updated"} 3$' "$work/exported.txt" ||
    fail "the node exporter does not serve the series: $(grep talun_r5 "$work/exported.txt")"
  grep -q '^talun_r5_info{firmware_sha256="[0-9a-f]\{64\}",station="line 3 west",version="[0-9.]*"} 1$' \
    "$work/exported.txt" || fail "no info series: $(grep talun_r5_info "$work/exported.txt")"
  echo "node exporter on 127.0.0.1:$exporter_port serves $(grep -c '^talun_r5_' "$work/exported.txt") talun_r5 samples"

  prometheus_port=$(free_port)
  cat >"$work/prometheus.yml" <<YAML
global:
  scrape_interval: 1s
scrape_configs:
  - job_name: station
    static_configs:
      - targets: ['127.0.0.1:$exporter_port']
YAML
  prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
    --web.listen-address="127.0.0.1:$prometheus_port" >"$work/prometheus.log" 2>&1 &
  pids+=("$!")
  local query='sum(talun_r5_mice_total{outcome="updated"})'
  local url="http://127.0.0.1:$prometheus_port/api/v1/query?query=sum(talun_r5_mice_total%7Boutcome%3D%22updated%22%7D)"
  wait_for "prometheus to scrape the exporter" bash -c "$(declare -f fetch); fetch '$url' | grep -q '\"result\":\[{'"
  local answer
  answer=$(fetch "$url")
  printf '%s\n%s\n' "$query" "$answer" | tee "$artefacts/prometheus-query.txt"
  [[ $answer == *'"value":['*',"3"]'* ]] || fail "prometheus answered $answer"
}

run_board() {
  need tmux
  local tmux=(tmux -L "$tmux_socket")
  "${tmux[@]}" -f /dev/null new-session -d -x 120 -y 32 -s board \
    "'$bin/talun-r5' watch --station-file '$work/station.ini' --board; echo \"watch exited \$?\"; sleep 600"
  screen() { "${tmux[@]}" capture-pane -p -t board; }
  # Three tiles UPDATED (not "NOT UPDATED"), and the tally.
  board_done() { [ "$(screen | grep -oE '(^| {2})UPDATED( |$)' | wc -l)" -eq 3 ] && screen | grep -q "$tally"; }
  wait_for "the board to show four outcomes" board_done
  echo "--- the board, as capture-pane printed it"
  screen | tee "$artefacts/board.txt"
  grep -q 'TALUN R5 STATION line 3 west' "$artefacts/board.txt" || fail "no header"
  grep -q 'image 3068 bytes, SHA-256 [0-9a-f]\{8\}' "$artefacts/board.txt" || fail "no image"
  grep -q 'NOT UPDATED' "$artefacts/board.txt" || fail "no NOT UPDATED tile"
  grep -q 'firmware part 2 of 3' "$artefacts/board.txt" || fail "the failed step is not shown"
  grep -q 'yield 75 %' "$artefacts/board.txt" || fail "no yield"
  grep -q 'mice per hour' "$artefacts/board.txt" || fail "no mice per hour"
  for tile in A1 A2 A3 A4 'serial R5-0002'; do
    grep -q " $tile" "$artefacts/board.txt" || fail "no tile $tile"
  done

  # A narrower terminal: two tiles a row, every line within its width.
  "${tmux[@]}" resize-window -t board -x 60 -y 40
  narrow() { screen | grep -qE '^ A1 +A2$' && screen | grep -qE '^ A3 +A4$'; }
  wait_for "the board redrawn at 60 columns, two tiles a row" narrow
  screen >"$artefacts/board-60-columns.txt"
  grep -q "$tally" "$artefacts/board-60-columns.txt" || fail "no tally at 60 columns"

  "${tmux[@]}" send-keys -t board C-c
  wait_for "watch to end" bash -c "$(declare -f screen); tmux=(${tmux[*]}); screen | grep -q 'watch exited'"
  echo "--- after Ctrl-C"
  screen | grep -v '^$' | tee "$artefacts/after.txt"
  grep -q "stopped; $tally" "$artefacts/after.txt" || fail "no final tally after the board"
  grep -q "watch exited 1" "$artefacts/after.txt" || fail "watch did not exit 1 (a mouse not updated)"
  ! grep -q 'TALUN R5 STATION' "$artefacts/after.txt" || fail "the board stayed on the screen"

  "$bin/talun-r5" watch --board >"$work/plain.txt" 2>"$work/plain-err.txt" &
  local watch=$!
  pids+=("$watch")
  wait_for "the plain lines" grep -q "$tally" "$work/plain.txt"
  kill -INT "$watch"
  wait "$watch" || true
  grep -q -- '--board: standard output is not a terminal' "$work/plain-err.txt" ||
    fail "--board did not say it needs a terminal: $(cat "$work/plain-err.txt")"
  ! grep -q $'\e' "$work/plain.txt" || fail "terminal sequences in the plain lines"
}

case $mode in
  metrics) run_metrics ;;
  board) run_board ;;
  *) fail "mode $mode: metrics or board" ;;
esac
echo "station $mode: all checks passed"
