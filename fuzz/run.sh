#!/usr/bin/env bash
# Runs one fuzz target for $VARNHOLT_FUZZ_SECONDS (default 15) seconds, from
# its seeds and what earlier runs learned, and prints one line: how many
# inputs it executed, or what it found. The sanitizers' options come from the
# fuzz preset's environment. A crashing input is kept in ARTIFACTS and fails
# the run.
#
#   fuzz/run.sh PROGRAM SEEDS CORPUS ARTIFACTS
set -uo pipefail
program=$1 seeds=$2 corpus=$3 artifacts=$4
seconds=${VARNHOLT_FUZZ_SECONDS:-15}
case "$seconds" in
  '' | *[!0-9]* | 0) echo "VARNHOLT_FUZZ_SECONDS must be a number of seconds, not '$seconds'" >&2; exit 2 ;;
esac
name=$(basename "$program")
mkdir -p "$corpus" "$artifacts"
log=$corpus.log
status=0
"$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
if [ "$status" -eq 0 ]; then
  printf '%s: %s executions in %s s, corpus %s inputs\n' "$name" "${runs:-?}" "$seconds" \
    "$(find "$corpus" -type f | wc -l)"
else
  printf '%s: FAILED after %s executions (exit %d); the whole run: %s\n' "$name" "${runs:-?}" "$status" "$log"
  grep -E '^(==[0-9]+==|SUMMARY|.*runtime error|.*invariant broken|artifact_prefix|Test unit written)' "$log" | head -20
fi
exit "$status"
