#!/usr/bin/env bash
# The plug-in in hosts named in the operator's language, under Wine playing
# that operator's Windows (the ANSI code page comes from LANG): a copy of
# the test program under each host's name checks the error box's caption
# and the placement's registry key (tests/wine/HostNamesTest.cpp).
#   host_names_test.sh WINE-RUN PROGRAM WORK-FOLDER
set -euo pipefail
wine_run=$1
program=$2
work=$3
rm -rf "$work"
mkdir -p "$work"

failed=0
# host LOCALE FILE CAPTION KEY
host() {
  if ! locale -a 2>/dev/null | grep -qix "${1/UTF-8/utf8}"; then
    # Wine would still take the code page, but read the file's name as "?".
    echo "FAILED $2: the locale $1 is not generated (scripts/lib/varnholt.sh generates it)"
    failed=1
    return
  fi
  cp "$program" "$work/$2"
  if LANG=$1 LC_ALL=$1 "$wine_run" "$work/$2" "$3" "$4"; then
    echo "passed $2 ($1)"
  else
    echo "FAILED $2 ($1)"
    failed=1
  fi
}

# Code page 932: the second byte of ソ is a backslash; that of ア an ASCII
# capital ("A").
host ja_JP.UTF-8 ソフト.exe ソフト ソフト
host ja_JP.UTF-8 アマチュア無線.exe アマチュア無線 アマチュア無線
# Code page 1251: Cyrillic capitals are letters, lowered after the first.
host ru_RU.UTF-8 ЖУРНАЛ.exe Журнал ЖУРНАЛ
exit $failed
