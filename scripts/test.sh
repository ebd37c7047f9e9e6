#!/usr/bin/env bash
# The whole test suite: builds everything, then runs the native tests, the
# shipping 32-bit DLL's entry points in a CPU emulator, the Windows tests
# (under Wine, on a virtual display), the native tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzzer for a short,
# bounded time. Fails when any of them fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
. scripts/deps.sh
ensure_packages "${WINE_PACKAGES[@]}"

echo "== native tests"
ctest --test-dir build/native --output-on-failure

echo "== the 32-bit DLL's entry points, emulated"
tests/emu/run.sh dist/win32/Varnholt.dll

echo "== Windows tests"
. scripts/display.sh
ctest --test-dir build/win32 --output-on-failure
ctest --test-dir build/win64 --output-on-failure

echo "== native tests under the sanitizers"
scripts/sanitizers.sh

echo "== fuzzers, ${VARNHOLT_FUZZ_SECONDS:-15} s each"
scripts/fuzz.sh "${VARNHOLT_FUZZ_SECONDS:-15}"
