#!/usr/bin/env bash
# Runs a Windows program, 32-bit or 64-bit, under Wine in the project's own
# Wine prefix (made on first use), quietly. ctest of both Windows builds uses
# it as the cross-compiling emulator.
set -euo pipefail
. "$(dirname "$0")/lib/varnholt.sh"
export WINEPREFIX="$VARNHOLT_WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No prompts to install Mono or Gecko: the tests need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# A prefix made by the 64-bit half alone cannot start 32-bit programs, and
# updating it does not repair that: a prefix made before Wine's 32-bit half
# was installed is made again. One prefix made with both halves runs both.
halves=64
[ -x /usr/lib/wine/wine ] && halves=32+64
marker="$WINEPREFIX/.varnholt-ready"
if [ -f "$marker" ] && [ "$(cat "$marker")" != "$halves" ]; then
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$marker" ]; then
  wineboot -i >/dev/null 2>&1 || true
  # Windows not managed by a window manager: the virtual display has none,
  # and Wine would wait two seconds for one at every window it hides.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  # The report box's fixed-pitch font, from a metric-compatible free font.
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f \
    >/dev/null 2>&1 || true
  wineserver -w || true
  echo "$halves" >"$marker"
fi
# Wine draws the caption buttons with Marlett, which it finds only among the
# prefix's own fonts, not in the folder Debian's fonts-wine installs it to:
# without it the buttons show as the letters "0 1 r".
if [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
exec wine "$@"
