#!/usr/bin/env bash
# Builds everything: the native core, tests and tools (build/native), and the
# plug-in for 32-bit Windows (build/win32, dist/win32) and 64-bit Windows
# (build/win64, dist/win64). Installs missing build packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages "${NATIVE_PACKAGES[@]}" "${MINGW_PACKAGES[@]}" "${ODBC_PACKAGES[@]}"

# The builds are CMakePresets.json's presets of the same names.
for preset in native win32 win64; do
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  echo "== building build/$preset"
  cmake --build "build/$preset" -j "$(nproc 2>/dev/null || echo 2)"
done
