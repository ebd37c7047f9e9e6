#!/usr/bin/env bash
# The scorer's command line, checked from the outside: what it prints, its
# exit status, its messages. Runs the native program directly, or the
# Windows one through a runner (Wine), which then gets its files as Z: paths,
# and must write the same page as the native one (NATIVE-SCORER).
#
#   cli_test.sh SOURCE-DIR WORK-DIR SCORER [RUNNER NATIVE-SCORER]
set -u
src=$1 work=$2 exe=$3 runner=${4:-} native=${5:-}
rm -rf "$work" && mkdir -p "$work"
failures=0
# How the program names a file of ours.
if [ -n "$runner" ]; then file_prefix="Z:"; else file_prefix=""; fi

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# score ARGS...: runs the scorer; stdout in $work/out, stderr in $work/err
# (line ends as on Unix), the status in $rc.
score() {
  $runner "$exe" "$@" >"$work/out.raw" 2>"$work/err.raw"
  rc=$?
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
}

expect() {  # STATUS WHAT
  if [ "$rc" -ne "$1" ]; then
    fail "$2: exit status $rc, expected $1"
    sed 's/^/  stderr: /' "$work/err" | head -5 >&2
  fi
}
expect_err() {  # REGEX WHAT
  grep -Eq -- "$1" "$work/err" || fail "$2: stderr lacks /$1/: $(head -3 "$work/err")"
}
expect_same() {  # EXPECTED-FILE WHAT
  diff -u "$1" "$work/out" >"$work/diff" || { fail "$2: output differs"; head -20 "$work/diff" >&2; }
}

logs=$src/data/reallogs

# The real logs, one by one and as a batch.
for name in k1lz k9ct kc1xx; do
  score "$file_prefix$logs/$name.log"
  expect 0 "$name"
  expect_same "$src/tests/scorer/expected/$name.txt" "$name report"
done
# On Windows the report's lines end as in the window's text box.
grep -q $'\r$' "$work/out.raw" && [ -z "$runner" ] && fail "CR in the native report"
[ -n "$runner" ] && ! grep -q $'\r$' "$work/out.raw" && fail "no CR LF in the Windows report"

score "$file_prefix$logs/k9ct.log" "$file_prefix$logs/kc1xx.log"
expect 0 "batch"
{ echo "==> $file_prefix$logs/k9ct.log <=="; cat "$src/tests/scorer/expected/k9ct.txt"; echo
  echo "==> $file_prefix$logs/kc1xx.log <=="; cat "$src/tests/scorer/expected/kc1xx.txt"; } >"$work/batch"
expect_same "$work/batch" "batch report"

score --json "$file_prefix$logs/k9ct.log"
expect 0 "--json"
python3 - "$work/out" <<'PY' || fail "--json: $(cat "$work/json-check" 2>/dev/null)"
import json, sys
o = json.loads(open(sys.argv[1]).read())
assert o["format"] == "Cabrillo" and o["station"] == {"call": "K9CT", "prefix": "K"}, o["station"]
assert o["score"] == o["total"]["points"] * o["total"]["dxda"] == 15848981, o["score"]
assert o["contacts"] == 5905 and len(o["duplicates"]) == 5905 - o["total"]["qsos"], len(o["duplicates"])
assert len(o["new_multipliers"]) == o["total"]["dxda"] and o["bad_lines"] == []
lines = [d["line"] for d in o["duplicates"]]
assert lines == sorted(lines), "duplicates out of log order"
PY

score --explain "$file_prefix$logs/k9ct.log"
expect 0 "--explain"
[ "$(grep -c $'\tduplicate$' "$work/out")" -eq $((5905 - 5827)) ] || fail "--explain: duplicate lines"
tail -n 9 "$work/out" | diff -q - "$src/tests/scorer/expected/k9ct.txt" >/dev/null || fail "--explain: the report at its end"

# The log over time. Figures of k9ct.log computed here from its QSO: lines,
# a minute at a time, against the program's JSON: the best 60 minutes, the
# on-time and the off periods at 60 minutes (every contact logged keeps the
# station on the air; k9ct.log has no such gap) and at 5 minutes, the
# busiest clock hour (the contacts that count).
for off in 60 5; do
score --json --off-time $off "$file_prefix$logs/k9ct.log"
expect 0 "--json --off-time $off"
python3 - "$work/out" "$logs/k9ct.log" $off <<'PY' || fail "--json --off-time $off"
import calendar, json, sys, time
from collections import Counter
o = json.loads(open(sys.argv[1]).read())
bands = [(1800, 2000, "160M"), (3500, 4000, "80M"), (7000, 7300, "40M"), (14000, 14350, "20M"),
         (21000, 21450, "15M"), (28000, 29700, "10M")]
seen, logged, counted = set(), [], []
for line in open(sys.argv[2]):
    f = line.split()
    if not f or f[0] != "QSO:":
        continue
    band = [b for lo, hi, b in bands if lo <= float(f[1]) <= hi][0]
    minute = calendar.timegm(time.strptime(f[3] + f[4], "%Y-%m-%d%H%M")) // 60
    logged.append(minute)
    if (f[8].upper(), band, f[2]) not in seen:
        seen.add((f[8].upper(), band, f[2]))
        counted.append(minute)
per_minute = Counter(counted)
first, last = min(logged), max(logged)
best60 = max(sum(per_minute[m + k] for k in range(60)) for m in range(first, last + 1))
logged.sort()
off = int(sys.argv[3])
gaps = [b - a for a, b in zip(logged, logged[1:]) if b - a >= off]
busiest = max(Counter(m // 60 for m in counted).values())
t = o["time"]
assert o["rates"]["best_60_minutes"]["qsos"] == best60 == o["rates"]["best_60_minutes"]["per_hour"], (o["rates"], best60)
assert t["on_time_seconds"] == (last - first - sum(gaps)) * 60, (t, last - first - sum(gaps))
assert len(o["off_periods"]) == len(gaps) and t["off_time_setting_minutes"] == off, (o["off_periods"], gaps)
assert max(h["qsos"] for h in o["hours"]) == busiest, busiest
assert t["timed"] == len(logged) == o["contacts"] and t["untimed"] == 0
assert sum(h["qsos"] for h in o["hours"]) == o["total"]["qsos"] == o["hours"][-1]["cumulative_qsos"]
assert o["hours"][-1]["score"] == o["score"] and set(o["hours"][0]["transmitters"]) == {"0", "1"}
print("k9ct: best 60 minutes %d, on-time %d:%02d, %d off periods of %d minutes or more, busiest hour %d"
      % (best60, (last - first - sum(gaps)) // 60, (last - first - sum(gaps)) % 60, len(gaps), off, busiest))
PY
done

score --summary --html "$file_prefix$work/k9ct.html" "$file_prefix$logs/k9ct.log"
expect 0 "--summary --html"
for text in '^Call: K9CT$' '^Contest: CQ-WPX-SSB$' '^Category: SSB$' '^10M +1917 +2013 +693$' \
            '^Total +5827 +6257 +2533$' '^Claimed score: 15848981$' '^Operating time: [0-9]+:[0-5][0-9]$' \
            '^Off-time: [0-9]+:[0-5][0-9] \([0-9]+ off periods? of 60 minutes or more\)$' \
            '^First contact: 2025-03-29 00:00 UTC$' '^Last contact: 2025-03-30 23:59 UTC$' '^Duplicates: 78$' \
            '^Lines passed over: 0$'; do
  grep -Eq "$text" "$work/out" || fail "--summary lacks /$text/: $(head -20 "$work/out")"
done
grep -q '<svg id="hourly-chart"' "$work/k9ct.html" && grep -q '<svg id="score-chart"' "$work/k9ct.html" ||
  fail "--html: no charts in $work/k9ct.html"
if [ -n "$runner" ]; then
  # The same page as the native scorer's, byte for byte.
  if [ ! -x "$native" ]; then
    fail "the native scorer $native is needed to compare pages with (cmake --workflow --preset native)"
  else
    "$native" --html "$work/k9ct-native.html" "$logs/k9ct.log" >/dev/null
    cmp "$work/k9ct-native.html" "$work/k9ct.html" || fail "--html: the Windows page differs from the native one"
  fi
fi

# Times that no calendar or clock has are damage that costs no contact; a
# log without times says so, and everything else stands.
printf 'START-OF-LOG: 3.0\nCALLSIGN: DL5XY\nQSO: 14025 CW 2025-13-29 0000 DL5XY 599 1 UR5ABC 599 1234\nQSO: 14025 CW 0000-03-29 2500 DL5XY 599 2 UR5ABD 599 1235\n' >"$work/times.log"
score --summary "$file_prefix$work/times.log"
expect 1 "bad times"
expect_err "times.log: line 3: date and time 2025-13-29 0000: no month 13; the contact is left out of the time analysis \(passed over; the contact counts\)$" "bad times"
expect_err "times.log: line 4: date and time 0000-03-29 2500: no year 0; " "bad times: year 0"
expect_err "times.log: 2 lines passed over, the first at lines 3, 4; 2 contacts counted despite damage$" "bad times: the count"
grep -q '^Claimed score: 12$' "$work/out" && grep -q '^Operating time: this log carries no contact times$' "$work/out" ||
  fail "bad times: $(cat "$work/out")"

# A log from standard input, and the version.
score - <"$logs/k9ct.log"
expect 0 "standard input"
expect_same "$src/tests/scorer/expected/k9ct.txt" "standard input report"
score --version
expect 0 "--version"
grep -Eq '^varnholt-score [0-9]+\.[0-9]+\.[0-9]+$' "$work/out" && grep -q '^country file compiled in: VER[0-9]' "$work/out" ||
  fail "--version: $(head -3 "$work/out")"

# Calls placed by the country file, its own or one given; calls checked
# against MASTER.SCP.
printf 'START-OF-LOG: 3.0\nCALLSIGN: HC8N\nQSO: 14025 CW 2025-03-29 0000 HC8N 599 1 QQ1X 599 1234\nQSO: 14025 CW 2025-03-29 0001 HC8N 599 2 UR5AW/P 599 1235\n' >"$work/calls.log"
score --check-calls --explain "$file_prefix$work/calls.log"
expect 0 "--check-calls"
grep -q $'^3\tQQ1X\t20M\tCW\t599 1234\t1 point, new multiplier 1234, not in MASTER.SCP$' "$work/out" || fail "--check-calls: QQ1X not marked"
grep -q $'^4\tUR5AW/P\t20M\tCW\t599 1235\t3 points, new multiplier 1235$' "$work/out" || fail "--check-calls: UR5AW/P"
grep -q "station prefix\|HC8N" "$work/err" && fail "HC8N: $(cat "$work/err")"
expect_err "calls.log: 1 worked call is in no country of the country file, so outside the home region: QQ1X$" "unknown call"
printf 'Nowhere: 1: 1: EU: 0.0: 0.0: 0.0: QQ:\n    QQ;\nUkraine: 16: 29: EU: 50.0: -30.0: -2.0: UR:\n    UR;\n' >"$work/own.dat"
score --cty "$file_prefix$work/own.dat" --json "$file_prefix$work/calls.log"
expect 0 "--cty"
expect_err "the station's call HC8N is in no country of the country file \(give --station-prefix\)" "--cty: station"
grep -q '"station":{"call":"HC8N","prefix":""}' "$work/out" && ! grep -q not_in_scp "$work/out" || fail "--cty: $(cat "$work/out")"
score --cty "$file_prefix$work/calls.log" "$file_prefix$work/calls.log"
expect 2 "--cty, not a country file"
expect_err "--cty .*calls.log: line 1: a country needs eight fields" "--cty, not a country file"

# ADIF, with a header of free text and tags in any letter case.
cat >"$work/log.adi" <<'ADI'
Exported by hand <for a test>
<ADIF_VER:5>3.1.4 <eoh>
<call:6>UR5ABC <band:3>20m <mode:2>CW <rst_rcvd:3>599 <srx_string:4>1234 <station_callsign:5>DL5XY <eor>
<CALL:6>ur5abc <BAND:3>20M <MODE:2>cw <SRX:4>1234 <EOR>
<Call:5>UA9XX <Freq:6>7.0123 <Mode:3>SSB <Eor>
ADI
score "$file_prefix$work/log.adi"
expect 0 "ADIF"
printf 'Band\t  QSOs\tPoints\t  DXDA\n 20M\t     1\t     3\t     1\n 40M\t     1\t     3\t     1\nTotal\t     2\t     6\t     2\n Score: 6*2=12\n' >"$work/adif.expected"
expect_same "$work/adif.expected" "ADIF report"
score --summary "$file_prefix$work/log.adi"
expect 0 "an ADIF log without times"
grep -q '^Operating time: this log carries no contact times$' "$work/out" || fail "ADIF without times: $(cat "$work/out")"

# Exporters' own habits: user fields whose names hold spaces, lengths that
# count characters, and the same log saved as UTF-16 (read from standard
# input as well).
cat >"$work/user.adi" <<'ADI'
<ADIF_VER:5>3.1.4 <USERDEF1:7>Seq (S) <eoh>
<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW <Seq (S):3>001 <Seq (R):3>792 <SRX_STRING:4>1234 <EOR>
<CALL:5>UA9XX <Freq:6>7.0123 <Mode:3>SSB <APP_MYLOG_Op Name:6>Jürgen <Seq (R):4>0792 <Eor>
ADI
python3 -c 'import sys; sys.stdout.buffer.write(b"\xff\xfe" + open(sys.argv[1], "rb").read().decode().encode("utf-16-le"))' \
  "$work/user.adi" >"$work/user16.adi"
for log in "$file_prefix$work/user.adi" "$file_prefix$work/user16.adi"; do
  score "$log"
  expect 0 "user fields: $log"
  expect_same "$work/adif.expected" "user fields report: $log"
done
score - <"$work/user16.adi"
expect 0 "UTF-16 from standard input"
expect_same "$work/adif.expected" "UTF-16 from standard input"

# A damaged export: each lost record is named, then how many and where.
printf '<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW\n<CALL:6>UR5ABD <BAND:3>20m <MODE:2>CW\n<CALL:6>UR5ABE <BAND:3>20m <MODE:2>CW\n' >"$work/broken.adi"
score "$file_prefix$work/broken.adi"
expect 1 "damaged ADIF"
expect_err "broken.adi: line 2: CALL UR5ABD: 3 records run together without <EOR> \(lines 1-3\) \(passed over\)$" "damaged ADIF"
expect_err "broken.adi: 3 lines passed over, the first at lines 1, 2, 3$" "damaged ADIF: the count"

# Damage in a field no contact is made of costs no contact, but is reported
# all the same, with how many contacts counted despite it.
printf '<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW <RST_RCVD:3>599 <SRX:4>1234 <PROP_MODE:2>SAT <EOR>\n' >"$work/sat.adi"
score "$file_prefix$work/sat.adi"
expect 1 "damage that cost no contact"
expect_err "sat.adi: line 1: field PROP_MODE: its value runs on past its length 2 \(SAT\) \(passed over; the contact counts\)$" "damage that cost no contact"
expect_err "sat.adi: 1 line passed over, at line 1; 1 contact counted despite damage$" "damage that cost no contact: the count"
grep -q '^ Score: 3\*1=3$' "$work/out" || fail "damage that cost no contact: the contact is not scored"

# The JSON is UTF-8, whatever the bytes of the log's name and texts: read
# back by a strict decoder. (Windows hands the program a name in its ANSI
# code page; a name in a single-byte code page is a Unix matter.)
names=Jürgen
[ -z "$runner" ] && names="$names K$(printf '\366')ln"
for log in $names; do
  cp "$work/sat.adi" "$work/$log.adi"
  # Wine turns a Unix file name into the program's by the Unix locale's
  # character set: a UTF-8 one, whatever the caller's (a bare machine has
  # none, and the name would lose its letter).
  LC_ALL=C.UTF-8 score --json "$file_prefix$work/$log.adi"
  expect 1 "--json of $log.adi"
  python3 - "$work/out" "$log" <<'PY' || fail "--json of $log.adi: $(cat "$work/out")"
import json, sys
o = json.loads(open(sys.argv[1], "rb").read().decode("utf-8", "strict"))
name = sys.argv[2].encode("utf-8", "surrogateescape").decode("utf-8", "replace")
assert o["log"].endswith("/" + name + ".adi"), o["log"]
assert o["bad_lines"][0]["contact_counted"] is True and o["contacts"] == 1, o
PY
done

# A bad line is passed over, or, with --strict, stops the log.
printf 'START-OF-LOG: 3.0\nCALLSIGN: DL5XY\nQSO: 14500 CW 2025-03-29 0000 DL5XY 599 1 UR5ABC 599 1\nQSO: 14025 CW 2025-03-29 0000 DL5XY 599 1 UR5ABC 599 1\n' >"$work/bad.log"
score "$file_prefix$work/bad.log"
expect 1 "a bad line"
expect_err "bad.log: line 3: frequency 14500 is on no band \(passed over\)$" "a bad line"
grep -q '^ Score: 3\*1=3$' "$work/out" || fail "a bad line: the rest is not scored"
score --strict "$file_prefix$work/bad.log"
expect 3 "--strict"
expect_err "bad.log: line 3: frequency 14500 is on no band$" "--strict"
[ -s "$work/out" ] && fail "--strict printed a report"

# Logs that cannot be scored, and mistakes on the command line.
printf 'nothing a logger writes\n' >"$work/text.txt"
score "$file_prefix$work/text.txt"
expect 3 "unknown format"
expect_err "text.txt: not a Cabrillo, ADIF or sample log" "unknown format"
score "$file_prefix$work/none.log"
expect 3 "missing file"
expect_err "cannot open contacts file '.*none.log'" "missing file"
score --format cabrillo "$file_prefix$work/text.txt" "$file_prefix$logs/k9ct.log"
expect 1 "--format, and a batch goes on after a bad log"
score
expect 2 "no log"
score --frobnicate "$file_prefix$logs/k9ct.log"
expect 2 "unknown option"
expect_err "unknown option '--frobnicate'" "unknown option"
score --db x.db
expect 2 "--db without --table"
for usage in "--off-time 0 --summary" "--off-time 60" "--summary --json" "--html $file_prefix$work/x.html k9ct.log"; do
  score $usage "$file_prefix$logs/k9ct.log"
  expect 2 "$usage"
done
for check in --check-calls "--scp $file_prefix$work/calls.log"; do
  score $check "$file_prefix$logs/k9ct.log"
  expect 2 "$check without --explain or --json"
  expect_err "^varnholt-score: --(check-calls|scp) marks calls in --explain or --json only" "$check alone"
done

# A log table, read as the window's re-scan reads it: in call-sign order.
db=$work/log.db
sqlite3 "$db" <<'SQL'
create table Contest (Id integer primary key, CallSign text, DigiBand text, QSOMode text,
  QSOReportRecived text, DXCCPrefix text, MainPrefix text, Continent text, Other text);
insert into Contest values (1, 'UR5ABC', '20M', 'CW', '599 1234', 'UR', 'UR5', 'eu', 'x');
insert into Contest values (2, 'K1ABC', '40M', 'CW', NULL, 'K', 'K1', 'NA', 'x');
insert into Contest values (3, 'UR5ABC', '20M', 'CW', '599 4321', 'UR', 'UR5', 'EU', 'x');
insert into Contest values (4, 'DL1AA', '20M', 'SSB', '59 1234', 'DL', 'DL1', 'EU', 'x');
SQL
score --db "Driver=SQLite3;Database=$db" --table Contest --station-prefix DL
expect 0 "--db"
printf 'Band\t  QSOs\tPoints\t  DXDA\n 20M\t     2\t     4\t     1\n 40M\t     1\t     1\t     1\nTotal\t     3\t     5\t     2\n Score: 5*2=10\n' >"$work/db.expected"
expect_same "$work/db.expected" "--db report"
score --db "Driver=SQLite3;Database=$db" --table NoSuchTable
expect 3 "--db, no such table"
expect_err "no such table" "--db, no such table"
if [ -z "$runner" ]; then  # a bare file name is the native SQLite default
  score --db "$db" --table Contest --station-prefix DL --explain
  expect 0 "--db FILE"
  grep -q $'^4\tUR5ABC\t20M\tCW\t599 4321\tduplicate$' "$work/out" || fail "--db FILE --explain"
  score --db "$work/none.db" --table Contest
  expect 3 "--db, no database file"
  expect_err "cannot open database file" "--db, no database file"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
