#!/usr/bin/env bash
# The main job: builds everything, then runs the plug-in the way the host
# does: the stand-in host loads dist/win64/Varnholt.dll under Wine, lends it
# an ODBC log database, feeds it the sample log contact by contact, prints
# each result and the statistics window's report, and saves a picture of the
# window (dist/statistics.png). Then the standalone scorer scores a real
# contest log with the same rules.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
. scripts/deps.sh
ensure_packages "${WINE_PACKAGES[@]}"

echo
echo "== the plug-in in the stand-in host, on data/sample.log"
scripts/run-standin.sh
echo
echo "== the standalone scorer on data/reallogs/k9ct.log"
build/native/varnholt-score data/reallogs/k9ct.log
echo
echo "The plug-in: dist/win32/Varnholt.dll (shipping, 32-bit) and dist/win64/Varnholt.dll."
echo "The stand-in host beside each: standin.exe. The window's picture: dist/statistics.png."
echo "The standalone scorer: build/native/varnholt-score, and varnholt-score.exe beside each DLL."
