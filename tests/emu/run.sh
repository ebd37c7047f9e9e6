#!/usr/bin/env bash
# Executes the shipping 32-bit DLL's entry points in a CPU emulator (see
# run_i686_entry_points.py). Argument: the DLL, by default the one
# scripts/build.sh puts into dist/win32. Installs the emulator's Python
# packages from Debian when they are missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/scripts/deps.sh"
ensure_packages python3 python3-unicorn python3-pefile
dll="${1:-$root/dist/win32/Varnholt.dll}"
# Debian's interpreter, which the packages above belong to, whatever else
# "python3" names on this machine.
exec /usr/bin/python3 "$root/tests/emu/run_i686_entry_points.py" "$dll"
