#!/usr/bin/env bash
# Fuzzes the portable core with libFuzzer (clang), under AddressSanitizer and
# UndefinedBehaviorSanitizer, for a bounded time per target:
#   scripts/fuzz.sh [seconds-per-target]     (default 20)
# Targets are in fuzz/, their seed corpora in fuzz/corpus/<target>/. What a
# run learns goes to build/fuzz/corpus/<target>/ (kept between runs, never
# committed); a crashing input goes to build/fuzz/artifacts/<target>/ and
# fails the run. Prints the executions of each target.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages "${NATIVE_PACKAGES[@]}" "${ODBC_PACKAGES[@]}" clang libclang-rt-14-dev

seconds=${1:-20}
case "$seconds" in
  '' | *[!0-9]* | 0) echo "usage: $0 [seconds-per-target]" >&2; exit 2 ;;
esac
targets=(host_records registry_texts log_rows log_files)
dir=build/fuzz

export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

[ -f "$dir/build.ninja" ] || cmake --preset fuzz >/dev/null  # clang, the sanitizers, VARNHOLT_FUZZ
echo "== building the fuzz targets in $dir"
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/#/fuzz_}"

passed=0
failed=0
summary=()
for target in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$target" "$dir/artifacts/$target"
  log="$dir/$target.log"
  echo "== fuzzing $target for ${seconds}s"
  status=0
  "$dir/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/$target/" "$dir/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    summary+=("$(printf '%-16s %10s executions in %ss, corpus %s inputs' "$target" "${runs:-?}" "$seconds" \
      "$(find "$dir/corpus/$target" -type f | wc -l)")")
  else
    failed=$((failed + 1))
    summary+=("$(printf '%-16s FAILED after %s executions (exit %d), see %s' "$target" "${runs:-?}" "$status" "$log")")
    grep -E '^(==[0-9]+==|SUMMARY|.*runtime error|.*invariant broken|artifact_prefix|Test unit written)' "$log" | head -20 || true
  fi
done

echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
