#!/usr/bin/env python3
"""Writes data/sample.log: a small, realistic contest log in the sample log
format (see tools/ContactFile.h). Deterministic: the same file every run."""
import random
import sys

rng = random.Random(20261208)

# (call prefix, DXCC prefix, continent, weight)
PREFIXES = [
    ("UR", "UR", "EU", 10), ("UT", "UR", "EU", 8), ("UX", "UR", "EU", 5), ("US", "UR", "EU", 4),
    ("UA1", "UA1", "EU", 6), ("RA1", "UA1", "EU", 3), ("UA2", "UA2", "EU", 2),
    ("UA9", "UA9", "AS", 6), ("RA9", "UA9", "AS", 3), ("UA3", "UA", "EU", 7), ("RW3", "UA", "EU", 4),
    ("EW", "EW", "EU", 5), ("UN", "UN", "AS", 3), ("EX", "EX", "AS", 1), ("ER", "ER", "EU", 2),
    ("EK", "EK", "AS", 1), ("4J", "4J", "AS", 1), ("EY", "EY", "AS", 1), ("UK", "UK", "AS", 1),
    ("EZ", "EZ", "AS", 1), ("DL", "DL", "EU", 8), ("SP", "SP", "EU", 5), ("OK", "OK", "EU", 4),
    ("HA", "HA", "EU", 3), ("YL", "YL", "EU", 2), ("LY", "LY", "EU", 2), ("G", "G", "EU", 3),
    ("I", "I", "EU", 3), ("F", "F", "EU", 2), ("JA", "JA", "AS", 3), ("K", "K", "NA", 4),
    ("W", "K", "NA", 3), ("VE", "VE", "NA", 1),
]
BANDS = [("160M", 1), ("80M", 3), ("40M", 5), ("20M", 6), ("15M", 4), ("10M", 3)]
MODES = [("CW", 3), ("SSB", 2)]
HOME = {"4J", "EK", "EW", "UN", "EX", "ER", "UA1", "UA2", "UA9", "EY", "UK", "EZ", "UR"}


def pick(items):
    return rng.choices([i[:-1] if len(i) > 2 else i[0] for i in items], [i[-1] for i in items])[0]


def make_call(prefix):
    digit = "" if prefix[-1].isdigit() else str(rng.randint(0, 9))
    return prefix + digit + "".join(rng.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(rng.randint(1, 3)))


def report(dxcc, mode):
    rst = "599" if mode == "CW" else "59"
    roll = rng.random()
    if dxcc in HOME:
        if roll < 0.06:
            return rst + " 0000"
        if roll < 0.12:
            return rst + rng.choice([" 123", "", " 12345"])
        number = "%04d" % rng.randint(1, 60)
        return rst + (" " + number if rng.random() < 0.85 else number)
    if roll < 0.5:
        return rst
    return rst + " %03d" % rng.randint(1, 400)


def main(path):
    stations = {}
    while len(stations) < 170:
        prefix, dxcc, cont = pick(PREFIXES)
        stations.setdefault(make_call(prefix), (dxcc, prefix, cont))
    calls = sorted(stations)
    lines = []
    worked = []
    for _ in range(300):
        roll = rng.random()
        if worked and roll < 0.06:
            call, band, mode, rep = rng.choice(worked)          # a plain duplicate
        elif worked and roll < 0.16:
            call, _, _, rep = rng.choice(worked)               # same call, other band or mode
            band, mode = pick(BANDS), pick(MODES)
        else:
            call = rng.choice(calls)
            band, mode = pick(BANDS), pick(MODES)
            rep = report(stations[call][0], mode)
        if rng.random() < 0.03:
            call = call.lower()                                 # typed in lower case
        dxcc, prefix, cont = stations[call.upper()]
        main_prefix = prefix if prefix[-1].isdigit() else call.upper()[:len(prefix) + 1]
        worked.append((call, band, mode, rep))
        lines.append("\t".join([call, band, mode, rep, dxcc, main_prefix, cont.lower() if rng.random() < 0.2 else cont]))
    with open(path, "w", newline="\n") as out:
        out.write("# Varnholt sample log: a DX contest worked from Germany.\n")
        out.write("# call\tband\tmode\treport\tDXCC prefix\tmain prefix\tcontinent\n")
        out.write("station\tDL5XY\tDL\n")
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "data/sample.log")
