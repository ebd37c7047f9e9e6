#!/usr/bin/env bash
# The main job: builds everything, then runs the plug-in the way the host
# does: the 32-bit stand-in host loads the DLL we ship,
# dist/win32/Varnholt.dll, under Wine, lends it an ODBC log database, feeds
# it the sample log contact by contact, prints each result and the statistics
# window's report, and saves a picture of the window (dist/statistics.png),
# and another on a display scaled to 150 % (dist/statistics-150.png).
# The 64-bit build then runs the same log and must report the same. Last, the
# standalone scorer scores a real contest log with the same rules and writes
# its page, dist/k9ct.html, which Chromium pictures as dist/scorer-page.png.
#
# Where this machine cannot run 32-bit Windows programs (a kernel without
# them and no emulator, or Wine's 32-bit half not to be had from the package
# archive), the 64-bit build stands in, and the job says so at its start and
# at its end.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/varnholt.sh
setup_build_tools
setup_wine
pkg_try "the pictures' converter to PNG" "${VARNHOLT_PICTURE_PACKAGES[@]}" || true
win32_setup
if [ "$VARNHOLT_WIN32_RUNS" = no ]; then
  bits=64
  ran="the 64-bit build, dist/win64/Varnholt.dll, in place of the shipping 32-bit DLL, because $VARNHOLT_WIN32_WHY"
else
  bits=32
  ran="the shipping 32-bit DLL, dist/win32/Varnholt.dll ($VARNHOLT_WIN32_WHY)"
fi
echo "== this job runs $ran"
build_presets native win32 win64
display_start

echo
echo "== the plug-in, dist/win$bits/Varnholt.dll, in the $bits-bit stand-in host, on data/sample.log"
# At 100 % whatever scale the prefix was left at.
VARNHOLT_DPI=96 VARNHOLT_STANDIN=dist/win$bits/standin.exe scripts/run-standin.sh
echo
echo "== the same on a display scaled to 150 % (144 dpi), for its picture"
VARNHOLT_DPI=144 VARNHOLT_STANDIN=dist/win$bits/standin.exe scripts/run-standin.sh | tail -n 12
if [ "$bits" = 32 ]; then
  echo
  echo "== the 64-bit build, dist/win64/Varnholt.dll, on the same log"
  # The same report from both builds; only the temporary log's name differs.
  report() { VARNHOLT_STANDIN=$1 scripts/run-standin.sh --quiet data/sample.log | grep -v '^Log: '; }
  if diff <(report dist/win32/standin.exe) <(report dist/win64/standin.exe); then
    echo "The same results and report as the 32-bit build."
  else
    echo "The 64-bit build reports differently from the 32-bit build (above)." >&2
    exit 1
  fi
fi
echo
echo "== the standalone scorer on data/reallogs/k9ct.log"
build/native/varnholt-score --html dist/k9ct.html data/reallogs/k9ct.log
if pkg_try "Chromium, for the picture of the scorer's page" "${VARNHOLT_BROWSER_PACKAGES[@]}"; then
  browser_render dist/k9ct.html --window-size=1200,2150 --screenshot="$PWD/dist/scorer-page.png"
  page="its page: dist/k9ct.html, and as Chromium shows it: dist/scorer-page.png"
else
  page="its page: dist/k9ct.html (no picture of it: Chromium cannot be installed)"
fi
echo
echo "The plug-in: dist/win32/Varnholt.dll (shipping, 32-bit) and dist/win64/Varnholt.dll."
echo "The stand-in host beside each: standin.exe. The window's pictures: dist/statistics.png,"
echo "and at 150 %: dist/statistics-150.png."
echo "The standalone scorer: build/native/varnholt-score, and varnholt-score.exe beside each DLL;"
echo "$page."
echo "This job ran $ran."
