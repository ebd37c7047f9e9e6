#!/usr/bin/env bash
# The scorer's page of a real log as a browser shows it: headless Chromium
# renders it; the document it built holds both charts (a bar for every band
# and hour with contacts, the score's line, the legend) and a row for every
# hour of the log; its picture is not blank and shows every band's colour.
#
#   page_test.sh SCORER WORK-DIR
set -u
exe=$1 work=$2
. "$(dirname "$0")/../../scripts/lib/varnholt.sh"
rm -rf "$work" && mkdir -p "$work"
"$exe" --json --html "$work/k9ct.html" "$VARNHOLT_ROOT/data/reallogs/k9ct.log" >"$work/k9ct.json" || exit 1
browser_render "$work/k9ct.html" --dump-dom >"$work/dom.html"
browser_render "$work/k9ct.html" --window-size=1200,1600 --screenshot="$work/k9ct.png"
exec python3 - "$work" <<'PY'
import json, re, struct, sys, zlib

work = sys.argv[1]
o = json.load(open(work + "/k9ct.json"))
dom = open(work + "/dom.html").read()
count = lambda pattern: len(re.findall(pattern, dom))

def pixels(path):
    """The RGB pixels of an 8-bit RGB or RGBA PNG, its rows unfiltered."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat = 8, b""
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        at += size + 12
    assert depth == 8 and colour in (2, 6), (depth, colour)
    step = 3 if colour == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b, c = prev[i], prev[i - step] if i >= step else 0
            p = a + b - c
            pred = [0, a, b, (a + b) // 2,
                    a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c][kind]
            line[i] = (line[i] + pred) & 255
        rows.append(line)
        prev = line
    return [tuple(r[i:i + 3]) for r in rows for i in range(0, stride, step)]

shot = pixels(work + "/k9ct.png")
colours = {}
for p in shot:
    colours[p] = colours.get(p, 0) + 1
legend = re.findall(r'<rect x="\d+" y="6" width="12" height="12" fill="#([0-9a-f]{6})"', dom)
checks = [
    ("the hourly chart", count(r'<svg id="hourly-chart"') == 1),
    ("the score chart and its line", count(r'<svg id="score-chart"') == 1 and count(r'<polyline class="score"') == 1),
    ("a bar for every band and hour with contacts",
     count(r'<rect class="bar"') == sum(1 for h in o["hours"] for n in h["bands"].values() if n) > 0),
    ("the legend, a colour for every band", len(legend) == len(o["bands"]) == 6 and
     all(f">{b['band']}</text>" in dom for b in o["bands"])),
    ("a row for every hour", count(r'<tr class="hour') == len(o["hours"]) == 48),
    ("the busiest hour marked", count(r'<tr class="hour busiest"') == 1),
    ("the picture is not blank", sum(n for p, n in colours.items() if p != (255, 255, 255)) > len(shot) // 20),
    ("the picture shows every band's colour",
     all(colours.get(tuple(bytes.fromhex(c)), 0) > 20 for c in legend)),
]
for what, ok in checks:
    if not ok:
        print("FAIL: " + what)
failed = sum(1 for _, ok in checks if not ok)
print("page checks: %d passed, %d failed" % (len(checks) - failed, failed))
sys.exit(1 if failed else 0)
PY
