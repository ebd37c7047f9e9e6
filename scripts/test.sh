#!/usr/bin/env bash
# The whole test suite: builds everything, then runs the native tests, the
# shipping 32-bit DLL's entry points in a CPU emulator, the Windows tests of
# both DLLs under Wine (on a virtual display; the 32-bit ones wherever this
# machine can run 32-bit programs), the native tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzzer for a
# short, bounded time; between them, the release is made and checked
# (tests/release/check_release.sh). Every step runs; a summary at the end
# names what ran on which DLL, and the command fails when any step failed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
. scripts/deps.sh
. scripts/win32.sh
ensure_packages "${WINE_PACKAGES[@]}"
win32_setup

summary=()
failed=0
logs=build/test-logs
mkdir -p "$logs"

# step NAME COMMAND...: runs one step, its output shown and kept; the
# summary gets its last line that reads as a count of results.
step() {
  local name=$1
  shift
  local log
  log="$logs/$(echo "$name" | tr -c 'A-Za-z0-9\n' '_').log"
  echo
  echo "== $name"
  local status=0
  "$@" 2>&1 | tee "$log" || status=$?
  local counts
  counts=$(grep -E 'tests passed|[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1 || true)
  if [ "$status" -eq 0 ]; then
    summary+=("passed  $name${counts:+: $counts}")
  else
    summary+=("FAILED  $name${counts:+: $counts} (exit $status; see $log)")
    failed=$((failed + 1))
  fi
}

step "native tests (build/native)" ctest --test-dir build/native --output-on-failure
step "dist/win32/Varnholt.dll: entry points in a CPU emulator" tests/emu/run.sh dist/win32/Varnholt.dll

. scripts/display.sh
if [ "$VARNHOLT_WIN32_RUNS" != no ]; then
  step "dist/win32/Varnholt.dll: Windows tests under Wine ($VARNHOLT_WIN32_WHY)" \
    ctest --test-dir build/win32 --output-on-failure
else
  step "dist/win32/Varnholt.dll: export table and imports only" \
    ctest --test-dir build/win32 --output-on-failure --label-exclude wine
  summary+=("SKIPPED dist/win32/Varnholt.dll: the Windows tests under Wine, because $VARNHOLT_WIN32_WHY;"
            "        the CPU emulator's checks above are all that executed the shipping DLL")
fi
step "dist/win64/Varnholt.dll: Windows tests under Wine" ctest --test-dir build/win64 --output-on-failure
step "the release (scripts/release.sh): a second build from other folders compared byte for byte, the 32-bit archive as an operator uses it" \
  tests/release/check_release.sh

step "native tests under the sanitizers (build/asan)" scripts/sanitizers.sh
step "fuzzers, ${VARNHOLT_FUZZ_SECONDS:-15} s each" scripts/fuzz.sh "${VARNHOLT_FUZZ_SECONDS:-15}"

echo
echo "== summary"
printf '%s\n' "${summary[@]}"
[ "$failed" -eq 0 ]
