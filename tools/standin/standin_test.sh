#!/usr/bin/env bash
# Runs of the stand-in host under Wine, checked from the outside: what it
# prints, its exit status, the files it leaves.
#
#   standin_test.sh CASE WINE-RUN STANDIN-EXE SAMPLE-LOG WORK-DIR
# CASE: sample_log | cabrillo_and_host_log | failures
set -u
case_name=$1 wine_run=$2 exe=$3 sample=$4 work=$5
rm -rf "$work" && mkdir -p "$work"
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# standin ARGS...: runs the program; its output lands in $work/out, $work/err, its status in $rc.
standin() {
  "$wine_run" "$exe" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  tr -d '\r' <"$work/out" >"$work/out.tmp" && mv "$work/out.tmp" "$work/out"
  tr -d '\r' <"$work/err" >"$work/err.tmp" && mv "$work/err.tmp" "$work/err"
}

show_output() {
  echo "--- stdout" >&2; cat "$work/out" >&2
  echo "--- stderr" >&2; cat "$work/err" >&2
}

expect_status() {
  [ "$rc" -eq "$1" ] || fail "exit status $rc, expected $1 ($2)"
}

expect_out() {  # REGEX WHAT
  grep -Eq -- "$1" "$work/out" || fail "stdout lacks /$1/ ($2)"
}

expect_err() {  # REGEX WHAT
  grep -Eq -- "$1" "$work/err" || fail "stderr lacks /$1/ ($2)"
}

# The host's tally against the plug-in's: every contact's check result equals
# its add result, the summary line adds up, and the report's totals and score
# agree with the points the plug-in answered.
check_tallies() {
  awk -v logged_before="${1:-0}" -v points_before="${2:-0}" '
    /^call +band +mode +check +add$/ { inside = 1; next }
    inside && /^[0-9]+ contacts:/ {
      inside = 0
      match($0, /^[0-9]+/); n = substr($0, 1, RLENGTH) + 0
      split($0, w, /[ (),]+/)
      counted = w[3] + 0; points = w[5] + 0; dups = w[7] + 0; none = w[9] + 0
      next
    }
    inside {
      ++lines
      if ($4 != $5) { print "check " $4 " but add " $5 " for " $1 " " $2 " " $3; bad = 1 }
      if ($5 > 0) { ++mycounted; mypoints += $5 } else if ($5 < 0) ++mydups; else ++mynone
      next
    }
    /^Total\t/ { tq = $2 + 0; tp = $3 + 0; td = $4 + 0 }
    /^ Score: / { score = $2 }
    END {
      if (lines != n) { print "contact lines " lines ", summary says " n; bad = 1 }
      if (mycounted != counted || mypoints != points || mydups != dups || mynone != none) {
        print "summary " counted "/" points "/" dups "/" none " against lines " mycounted "/" mypoints "/" mydups "/" mynone; bad = 1
      }
      if (tq != counted + logged_before || tp != points + points_before) {
        print "report totals " tq " QSOs, " tp " points; the host counted " counted + logged_before " QSOs, " points + points_before " points"; bad = 1
      }
      if (score != tp "*" td "=" tp * td) { print "score line " score " for " tp " points and " td " multipliers"; bad = 1 }
      exit bad
    }' "$work/out" >"$work/tally" || fail "tallies disagree: $(cat "$work/tally")"
}

# Last line of stdout: the report's score line.
check_ends_with_score() {
  tail -n 1 "$work/out" | grep -q '^ Score: [0-9]*\*[0-9]*=[0-9]*$' ||
    fail "the last line is not the score line: '$(tail -n 1 "$work/out")'"
}

u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }

# A 24-bit BMP of the size the program reports, with something drawn in it.
check_bmp() {  # FILE WIDTH HEIGHT
  local file=$1 width=$2 height=$3
  [ -s "$file" ] || { fail "no picture at $file"; return; }
  [ "$(head -c 2 "$file")" = BM ] || { fail "$file does not start with BM"; return; }
  local size offset stride
  size=$(stat -c %s "$file")
  [ "$(u32 "$file" 2)" = "$size" ] || fail "BMP size field $(u32 "$file" 2), file has $size bytes"
  offset=$(u32 "$file" 10)
  [ "$(u32 "$file" 14)" = 40 ] || fail "BMP info header of $(u32 "$file" 14) bytes"
  [ "$(u32 "$file" 18)" = "$width" ] || fail "BMP width $(u32 "$file" 18), window $width"
  [ "$(u32 "$file" 22)" = "$height" ] || fail "BMP height $(u32 "$file" 22), window $height"
  [ "$(u16 "$file" 28)" = 24 ] || fail "BMP of $(u16 "$file" 28) bits a pixel"
  stride=$(((width * 3 + 3) / 4 * 4))
  [ $((offset + stride * height)) = "$size" ] || fail "BMP pixels do not fill the file"
  # A capture that missed the window is one flat colour (plus row padding).
  local values
  values=$(od -An -v -tu1 -j "$offset" "$file" | tr -s ' ' '\n' | sort -u | wc -l)
  [ "$values" -gt 16 ] || fail "the picture is nearly flat ($values byte values)"
}

case "$case_name" in
sample_log)
  # The DLL beside the program, a fresh log, a picture.
  standin --picture "$work/statistics.bmp" "$sample"
  expect_status 0 "sample log"
  expect_out '^Plug-in: Varnholt, identification tamrel_contest, info words 1 1$' "_GetInfo"
  expect_out '^Window: "DL5XY in Varnholt"$' "caption from the station label"
  check_tallies
  check_ends_with_score
  expect_out '^[0-9]+ contacts: [0-9]+ counted \([0-9]+ points\), [1-9][0-9]* duplicates, 0 not counted$' \
    "the sample log's duplicates"
  width=$(sed -n 's/^Picture: .* (\([0-9]*\)x[0-9]*)$/\1/p' "$work/out")
  height=$(sed -n 's/^Picture: .* ([0-9]*x\([0-9]*\))$/\1/p' "$work/out")
  if [ -n "$width" ] && [ -n "$height" ]; then
    check_bmp "$work/statistics.bmp" "$width" "$height"
  else
    fail "no Picture line"
  fi
  db=$(sed -n 's/^Log: Driver=SQLite3;Database=\(.*\), table Log$/\1/p' "$work/out")
  [ -n "$db" ] || fail "no Log line naming a fresh SQLite file"
  [ -z "$db" ] || [ ! -e "$db" ] || fail "the fresh log $db is left behind"
  ;;

cabrillo_and_host_log)
  # Contacts from Cabrillo lines: bands from frequencies, the X-QSO line
  # skipped, a repeat on the same band and mode a duplicate.
  cat >"$work/first.log" <<'LOG'
START-OF-LOG: 3.0
CONTEST: TEST
CALLSIGN: DL5XY
QSO: 14025 CW 2025-01-01 0000 DL5XY 599 0001 UA1AAA 599 0012 0
QSO:  7010 CW 2025-01-01 0001 DL5XY 599 0002 UA1AAA 599 0012 0
QSO: 14031 CW 2025-01-01 0002 DL5XY 599 0003 UA1AAA 599 0012 0
X-QSO: 14031 CW 2025-01-01 0003 DL5XY 599 0004 OK1ZZ 599 0099 0
QSO: 21210 PH 2025-01-01 0004 DL5XY 59 0005 OK1XYZ 59 0047 0
END-OF-LOG:
LOG
  standin --table Contest --keep-log "$work/first.log"
  expect_status 0 "Cabrillo file"
  expect_out '^Station: DL5XY ' "the CALLSIGN line as station"
  expect_out '^UA1AAA +20M +CW +[13] +[13]$' "14025 kHz on 20M"
  expect_out '^UA1AAA +40M +CW +[13] +[13]$' "7010 kHz on 40M"
  expect_out '^UA1AAA +20M +CW +-1 +-1  duplicate$' "the repeat on 20M CW"
  expect_out '^OK1XYZ +15M ' "21210 kHz on 15M"
  expect_out '^4 contacts: 3 counted \([0-9]+ points\), 1 duplicates, 0 not counted$' "X-QSO skipped"
  check_tallies
  check_ends_with_score
  first_points=$(sed -n 's/^4 contacts: 3 counted (\([0-9]*\) points).*/\1/p' "$work/out")
  db=$(sed -n 's/^standin: the log is kept in //p' "$work/err")
  if [ -z "$db" ] || [ ! -s "$db" ]; then
    fail "--keep-log names no log file"
    show_output
  else
    # The same log again through --connect: the plug-in's re-scan on opening
    # counts the first run's rows, so a contact logged then is a duplicate now.
    printf 'station\tDL5XY\tDL\nUA1AAA\t20M\tCW\t599 0012\tUA1\tUA1\tEU\nEW1ABC\t80M\tSSB\t59 0033\tEW\tEW1\teu\n' \
      >"$work/second.log"
    standin --connect "Driver=SQLite3;Database=$db" --table Contest "$work/second.log"
    expect_status 0 "existing log"
    expect_out '^UA1AAA +20M +CW +-1 +-1  duplicate$' "a contact of the log's earlier rows"
    expect_out '^2 contacts: 1 counted \([0-9]+ points\), 1 duplicates, 0 not counted$' "one new contact"
    check_tallies 3 "${first_points:-0}"
    check_ends_with_score
    [ -e "$db" ] || fail "a log named by --connect was deleted"
    rm -f "$db"
  fi
  ;;

failures)
  # Each failure: a non-zero status, a message that says what failed, and
  # no plug-in window opened for nothing.
  standin --dll "$work/NoSuch.dll" "$sample"
  expect_status 1 "missing DLL"
  expect_err "^standin: cannot load plug-in DLL '$work/NoSuch.dll': .+" "missing DLL"
  grep -q '^Window:' "$work/out" && fail "a window opened without the DLL"

  standin --connect "Driver=NoSuchDriver;Database=$work/x.db" "$sample"
  expect_status 1 "bad connection string"
  expect_err "^standin: cannot connect to the log with 'Driver=NoSuchDriver;Database=$work/x.db': .*\[[0-9A-Z]{5}\] .+" \
    "the driver manager's diagnostic"
  grep -q '^Window:' "$work/out" && fail "a window opened without a log"

  standin "$work/none.log"
  expect_status 1 "missing contacts file"
  expect_err "^standin: cannot open contacts file '$work/none.log'$" "missing contacts file"

  printf 'station\tDL5XY\tDL\nUA1AAA\t20M\tCW\n' >"$work/broken.log"
  standin "$work/broken.log"
  expect_status 1 "broken contacts file"
  expect_err "^standin: .*broken.log: line 2: " "the broken line's number"

  # A table the log lacks: the plug-in reports its re-scan failure in an
  # error box, which the host dismisses, and the host's own INSERT fails.
  standin --connect "Driver=SQLite3;Database=$work/empty.db" --table Missing "$sample"
  expect_status 1 "missing log table"
  expect_err '^standin: the plug-in shows an error box ".*": .*Missing' "the re-scan's error box"
  expect_err '^standin: cannot add [A-Z0-9]+ to the log table Missing: .*no such table' "the INSERT's failure"

  standin
  expect_status 2 "no contacts file"
  expect_err '^usage: standin ' "usage"
  ;;

*)
  echo "unknown case $case_name" >&2
  exit 2
  ;;
esac

if [ "$failures" -gt 0 ]; then
  show_output
  exit 1
fi
echo "$case_name: passed"
