#!/usr/bin/env bash
# Builds the native core and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (build/asan) and runs every test there. Any
# report fails the run: nothing is recovered from, and a leak counts.
#
# Leaks inside the ODBC driver manager, the SQLite driver it loads and
# SQLite itself are theirs, not ours: tests/sanitizers/lsan.supp names those
# libraries and nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages "${NATIVE_PACKAGES[@]}" "${ODBC_PACKAGES[@]}"

dir=build/asan

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# The build runs the test programs too (test discovery), so the options
# above are in force from here on.
[ -f "$dir/build.ninja" ] || cmake --preset asan >/dev/null
echo "== building $dir"
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)"

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
