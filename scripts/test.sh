#!/usr/bin/env bash
# The whole test suite: builds everything, then runs the native tests and the
# Windows tests (under Wine, on a virtual display). Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
. scripts/deps.sh
ensure_packages "${WINE_PACKAGES[@]}"

echo "== native tests"
ctest --test-dir build/native --output-on-failure

echo "== Windows tests"
. scripts/display.sh
ctest --test-dir build/win32 --output-on-failure
ctest --test-dir build/win64 --output-on-failure
