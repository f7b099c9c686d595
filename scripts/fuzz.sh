#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzzer for SECONDS (default 600) each,
# TALUN_FUZZ_JOBS of them at a time (default 1). Each fuzzer grows its corpus in
# build/fuzz-corpus/<name>, starting from the seeds kept in the repository (which
# it never writes), and keeps what it finds in build/fuzz-findings/. Prints each
# fuzzer's final coverage (cov: edges, ft: features) and exits 1 on any finding.
#
#   scripts/fuzz.sh [SECONDS] [NAME...]      e.g. scripts/fuzz.sh 60 FuzzDriverConfig
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
case "$seconds" in '' | *[!0-9]*) echo "usage: $0 [SECONDS] [NAME...]" >&2; exit 2 ;; esac
parallel=${TALUN_FUZZ_JOBS:-1}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${TALUN_JOBS:-$(nproc)}"

root=$PWD/build
mkdir -p "$root/fuzz-corpus" "$root/fuzz-findings" "$root/fuzz-logs"
declare -a names=() options=()
while IFS='|' read -r name program dict seeds; do
  [ -n "$name" ] || continue
  if [ "$name" = options ]; then read -r -a options <<<"$program"; continue; fi
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  names+=("$name")
  corpus=$root/fuzz-corpus/$name
  mkdir -p "$corpus"
  IFS=';' read -r -a seed_dirs <<<"$seeds"
  args=(-max_total_time="$seconds" "${options[@]}" -print_final_stats=1
        -artifact_prefix="$root/fuzz-findings/$name-")
  [ -z "$dict" ] || args+=(-dict="$dict")
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  echo "=== $name: ${seconds}s"
  (rc=0
   "$program" "${args[@]}" "$corpus" "${seed_dirs[@]}" >"$root/fuzz-logs/$name.log" 2>&1 || rc=$?
   echo "$rc" >"$root/fuzz-logs/$name.status") &
done <"$root/fuzz/fuzzers.txt"
wait

[ ${#names[@]} -gt 0 ] || { echo "no fuzzer named: $*" >&2; exit 2; }
status=0
printf '\n%-22s %8s %8s %8s %12s  %s\n' fuzzer cov ft corpus runs result
for name in "${names[@]}"; do
  log=$root/fuzz-logs/$name.log
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
  field() { sed -nE "s/.*$1: ([0-9]+).*/\\1/p" <<<"$last"; }
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log")
  result=ok
  if [ "$(cat "$root/fuzz-logs/$name.status")" != 0 ]; then result="FINDING (see $log)"; status=1; fi
  printf '%-22s %8s %8s %8s %12s  %s\n' "$name" "$(field cov)" "$(field ft)" \
    "$(field corp)" "${runs:-?}" "$result"
done
exit "$status"
