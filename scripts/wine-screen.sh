#!/usr/bin/env bash
# Runs a Windows program under Wine (scripts/wine-run.sh) as an operator's
# machine of another kind would run it:
#   --dpi N       the display scaled to N dots per inch (144 is 150 %): the
#                 prefix's LogPixels, which each Wine process reads when it
#                 starts, is set for the run and put back afterwards;
#   --screen WxH  a screen of that size: the program runs on a virtual
#                 desktop of its own.
# The program's exit status is this script's.
#
#   scripts/wine-screen.sh [--dpi N] [--screen WxH] PROGRAM [ARGS...]
set -euo pipefail
. "$(dirname "$0")/lib/varnholt.sh"
wine_run=$VARNHOLT_ROOT/scripts/wine-run.sh
dpi="" screen=""
while [ $# -gt 0 ]; do
  case $1 in
    --dpi) dpi=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--dpi N] [--screen WxH] PROGRAM [ARGS...]" >&2; exit 2; }

desktop='HKCU\Control Panel\Desktop'
if [ -n "$dpi" ]; then
  # Put back what was there: another value, or none (which Wine reads as 96).
  before=$("$wine_run" reg query "$desktop" /v LogPixels 2>/dev/null | awk '/LogPixels/ { print $3 }' || true)
  restore() {
    if [ -n "$before" ]; then
      "$wine_run" reg add "$desktop" /v LogPixels /t REG_DWORD /d "$((before))" /f >/dev/null 2>&1 || true
    else
      "$wine_run" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true
    fi
  }
  trap restore EXIT
  "$wine_run" reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
fi

if [ -z "$screen" ]; then
  status=0
  "$wine_run" "$@" || status=$?
  exit "$status"
fi

# A virtual desktop is a program of Wine's own that does not pass on the
# exit status of the program it starts: the command interpreter inside it
# prints it, and it is read back from the output.
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
command="Z:${program//\//\\}"
for arg in "$@"; do command+=" $arg"; done
marker=varnholt-exit-status
status=1
while IFS= read -r line; do
  line=${line%$'\r'}
  if [[ $line == "$marker="* ]]; then
    status=${line#"$marker="}
  else
    printf '%s\n' "$line"
  fi
done < <("$wine_run" explorer "/desktop=varnholt-$screen,$screen" cmd /c "$command & echo $marker=%errorlevel%")
# Until that desktop has gone, Wine starts the next programs on it as well:
# wait for this prefix's processes to end.
WINEPREFIX="$VARNHOLT_WINEPREFIX" timeout 30 wineserver -w || true
exit "$status"
