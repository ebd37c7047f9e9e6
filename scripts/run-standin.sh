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
exe=${VARNHOLT_STANDIN:-}
if [ -z "$exe" ]; then
  # shellcheck source=scripts/deps.sh
  . "$root/scripts/deps.sh"
  # shellcheck source=scripts/win32.sh
  . "$root/scripts/win32.sh"
  win32_setup >&2
  exe=$root/dist/win32/standin.exe
  if [ "$VARNHOLT_WIN32_RUNS" = no ]; then
    echo "run-standin: $VARNHOLT_WIN32_WHY; running the 64-bit build instead" >&2
    exe=$root/dist/win64/standin.exe
  fi
fi
if [ ! -f "$exe" ]; then
  echo "run-standin: $exe is not built yet; build it first (scripts/build.sh)" >&2
  exit 1
fi
# shellcheck source=scripts/display.sh
. "$root/scripts/display.sh"

# BMP (24-bit, as the stand-in writes it) to PNG with Python's zlib.
bmp_to_png() {
  python3 - "$1" "$2" <<'PY'
import struct, sys, zlib
src, dst = sys.argv[1], sys.argv[2]
data = open(src, "rb").read()
if data[:2] != b"BM":
    sys.exit("not a BMP file: " + src)
offset, = struct.unpack_from("<I", data, 10)
width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
if bits != 24:
    sys.exit("not a 24-bit BMP file: " + src)
stride = (width * 3 + 3) & ~3
rows = []
for y in range(abs(height)):
    start = offset + (height - 1 - y if height > 0 else y) * stride  # rows run bottom-up
    bgr = data[start:start + width * 3]
    rgb = bytearray(len(bgr))
    rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
    rows.append(b"\0" + bytes(rgb))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
with open(dst, "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n")
    out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0)))
    out.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 9)))
    out.write(chunk(b"IEND", b""))
PY
}

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
if { command -v python3 >/dev/null && bmp_to_png "$bmp" "$png" 2>/dev/null; } ||
  { command -v convert >/dev/null && convert "$bmp" "$png" 2>/dev/null && [ -s "$png" ]; }; then
  echo "Pictures: dist/$name.bmp, dist/$name.png"
else
  rm -f "$png"
  echo "Picture: dist/$name.bmp (no python3 or convert to make a PNG)"
fi
