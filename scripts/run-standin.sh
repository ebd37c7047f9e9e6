#!/usr/bin/env bash
# Runs the stand-in host under Wine, which loads the plug-in DLL beside it
# and feeds it a contacts file: dist/win32/standin.exe with the DLL we ship,
# or dist/win64/standin.exe on a machine that cannot run 32-bit programs;
# $VARNHOLT_STANDIN names another. Arguments go to the program (see
# `scripts/run-standin.sh --help`). Without arguments it scores
# data/sample.log and saves a picture of the statistics window as
# dist/statistics.bmp and dist/statistics.png. $VARNHOLT_DPI runs it on a
# display scaled to that many dots per inch (scripts/wine-screen.sh); the
# pictures are then named after the scale, dist/statistics-150.png at 144
# (at 96, 100 %, as without it).
# Without $DISPLAY a private virtual display is started for the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib/varnholt.sh"
exe=${VARNHOLT_STANDIN:-}
if [ -z "$exe" ]; then
  win32_setup >&2
  exe=$root/dist/win32/standin.exe
  if [ "$VARNHOLT_WIN32_RUNS" = no ]; then
    echo "run-standin: $VARNHOLT_WIN32_WHY; running the 64-bit build instead" >&2
    exe=$root/dist/win64/standin.exe
  fi
fi
if [ ! -f "$exe" ]; then
  echo "run-standin: $exe is not built yet; build it first (scripts/main.sh, or cmake --workflow --preset win32)" >&2
  exit 1
fi
display_start

wine=("$root/scripts/wine-run.sh")
[ -z "${VARNHOLT_DPI:-}" ] || wine=("$root/scripts/wine-screen.sh" --dpi "$VARNHOLT_DPI")
if [ $# -gt 0 ]; then
  status=0
  "${wine[@]}" "$exe" "$@" || status=$?
  exit "$status"
fi

name=statistics
[ "${VARNHOLT_DPI:-96}" = 96 ] || name=statistics-$(((VARNHOLT_DPI * 100 + 48) / 96))
bmp=$root/dist/$name.bmp png=$root/dist/$name.png
mkdir -p "$root/dist"
rm -f "$bmp" "$png"
status=0
"${wine[@]}" "$exe" --picture "$bmp" "$root/data/sample.log" || status=$?
[ "$status" -eq 0 ] || exit "$status"
if pkg_try "the picture converter" "${VARNHOLT_PICTURE_PACKAGES[@]}" >&2 &&
  bmptopnm "$bmp" 2>/dev/null | pnmtopng >"$png" 2>/dev/null && [ -s "$png" ]; then
  echo "Pictures: dist/$name.bmp, dist/$name.png"
else
  rm -f "$png"
  echo "Picture: dist/$name.bmp (no PNG: netpbm could not convert it)"
fi
