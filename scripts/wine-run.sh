#!/usr/bin/env bash
# Runs a Windows program of the x86_64 build under wine64, in the project's
# own Wine prefix (made on first use), quietly. ctest uses it as the
# cross-compiling emulator.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${VARNHOLT_WINEPREFIX:-$here/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No prompts to install Mono or Gecko: the tests need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/.varnholt-ready" ]; then
  wineboot -i >/dev/null 2>&1 || true
  # Windows not managed by a window manager: the virtual display has none,
  # and Wine would wait two seconds for one at every window it hides.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  # The report box's fixed-pitch font, from a metric-compatible free font.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f \
    >/dev/null 2>&1 || true
  wineserver -w || true
  touch "$WINEPREFIX/.varnholt-ready"
fi
exec wine "$@"
