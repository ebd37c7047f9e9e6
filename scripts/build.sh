#!/usr/bin/env bash
# Builds everything: the native core, tests and tools (build/native), and the
# plug-in for 32-bit Windows (build/win32, dist/win32) and 64-bit Windows
# (build/win64, dist/win64). Installs missing build packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages "${NATIVE_PACKAGES[@]}" "${MINGW_PACKAGES[@]}" "${ODBC_PACKAGES[@]}"

jobs=$(nproc 2>/dev/null || echo 2)

configure() {  # dir [cmake args...]
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  fi
}

configure build/native
configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
for dir in build/native build/win32 build/win64; do
  echo "== building $dir"
  cmake --build "$dir" -j "$jobs"
done
