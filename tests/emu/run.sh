#!/usr/bin/env bash
# Executes the shipping 32-bit DLL's entry points in a CPU emulator (see
# run_i686_entry_points.py). Argument: the DLL, by default the one
# the win32 build puts into dist/win32. Installs the emulator's Python
# packages from Debian when they are missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/scripts/lib/varnholt.sh"
pkg_require "the CPU emulator's packages" python3 "${VARNHOLT_EMU_PACKAGES[@]}"
dll="${1:-$root/dist/win32/Varnholt.dll}"
# Debian's interpreter, which the packages above belong to, whatever else
# "python3" names on this machine.
exec /usr/bin/python3 "$root/tests/emu/run_i686_entry_points.py" "$dll"
