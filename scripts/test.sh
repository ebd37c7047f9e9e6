#!/usr/bin/env bash
# The whole test suite. Each build is CMakePresets.json's workflow of the
# same name (configure, build, test): the native tests; the shipping 32-bit
# DLL's Windows tests under Wine, wherever this machine can run 32-bit
# programs, and its entry points in a CPU emulator; the 64-bit DLL's Windows
# tests; the release, made and checked (tests/release/check_release.sh); the
# native tests again under the sanitizers; each fuzzer for a short, bounded
# time. Every step runs. A summary at the end names what ran on which DLL and
# what could not run and why; the command fails when a step failed, or when
# nothing at all executed the shipping 32-bit DLL.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/varnholt.sh
setup_build_tools
setup_wine
win32_setup
display_start

summary=()
failed=0
steps=0
dll32_ran=()
logs=build/test-logs
mkdir -p "$logs"

# step NAME COMMAND...: runs one step, its output shown and kept; the
# summary gets its last line that reads as a count of results.
step() {
  local name=$1
  shift
  local log
  # Numbered, and the name cut short: a name that says how 32-bit programs
  # run (an emulator's version among it) is longer than a file name may be.
  steps=$((steps + 1))
  log="$logs/$(printf '%02d' "$steps")-$(echo "$name" | tr -c 'A-Za-z0-9\n' '_' | cut -c1-80).log"
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

# not_run NAME WHY: a step that could not run, named in the summary.
not_run() {
  summary+=("NOT RUN $1, because $2")
}

# Without Wine's 32-bit half only the export table and imports are read.
win32_without_wine() {
  cmake --preset win32 && cmake --build --preset win32 && ctest --preset win32 --label-exclude wine
}

step "native: build and tests (build/native)" cmake --workflow --preset native
# The scorer's page as a browser shows it; without Chromium, the step is named.
if pkg_try "Chromium, the browser the scorer's page is rendered in" "${VARNHOLT_BROWSER_PACKAGES[@]}"; then
  step "the scorer's page of data/reallogs/k9ct.log in a browser (headless Chromium)" \
    tests/scorer/page_test.sh build/native/varnholt-score build/page-test
else
  not_run "the scorer's page in a browser (headless Chromium)" "$VARNHOLT_PKG_WHY"
fi
if [ "$VARNHOLT_WIN32_RUNS" != no ]; then
  step "dist/win32/Varnholt.dll: build and Windows tests under Wine ($VARNHOLT_WIN32_WHY)" \
    cmake --workflow --preset win32
  dll32_ran+=("Wine")
else
  step "dist/win32/Varnholt.dll: build, export table and imports" win32_without_wine
  not_run "dist/win32/Varnholt.dll: the Windows tests under Wine" "$VARNHOLT_WIN32_WHY"
fi
if pkg_try "the CPU emulator's packages" "${VARNHOLT_EMU_PACKAGES[@]}"; then
  step "dist/win32/Varnholt.dll: entry points in a CPU emulator" tests/emu/run.sh dist/win32/Varnholt.dll
  dll32_ran+=("the CPU emulator")
else
  not_run "dist/win32/Varnholt.dll: entry points in a CPU emulator" "$VARNHOLT_PKG_WHY"
fi
step "dist/win64/Varnholt.dll: build and Windows tests under Wine" cmake --workflow --preset win64
step "the release (scripts/release.sh): a second build from other folders compared byte for byte, the 32-bit archive as an operator uses it" \
  tests/release/check_release.sh
step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer (build/asan)" cmake --workflow --preset asan
if pkg_try "the fuzzers' compiler" "${VARNHOLT_FUZZ_PACKAGES[@]}"; then
  step "fuzzers, ${VARNHOLT_FUZZ_SECONDS:-15} s each (build/fuzz)" cmake --workflow --preset fuzz
else
  summary+=("FAILED  fuzzers: $VARNHOLT_PKG_WHY")
  failed=$((failed + 1))
fi

ran=""
for way in "${dll32_ran[@]}"; do ran+="${ran:+ and }$way"; done
if [ -z "$ran" ]; then
  summary+=("FAILED  nothing executed the shipping 32-bit DLL: neither Wine nor the CPU emulator could run here")
  failed=$((failed + 1))
fi

echo
echo "== summary"
printf '%s\n' "${summary[@]}"
[ -z "$ran" ] || echo "The shipping 32-bit DLL was executed by $ran."
[ "$failed" -eq 0 ]
