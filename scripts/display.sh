# Sourced: gives the Windows tests an X display. Keeps $DISPLAY when one is
# set; otherwise starts a private Xvfb, stopped when the shell exits, after
# Wine's own processes have gone (so they do not complain of a lost X
# connection).
if [ -z "${DISPLAY:-}" ]; then
  varnholt_display=90
  while [ -e "/tmp/.X${varnholt_display}-lock" ] || [ -S "/tmp/.X11-unix/X${varnholt_display}" ]; do
    varnholt_display=$((varnholt_display + 1))
  done
  Xvfb ":${varnholt_display}" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  varnholt_xvfb_pid=$!
  varnholt_wineprefix=${VARNHOLT_WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix}
  trap 'WINEPREFIX="$varnholt_wineprefix" timeout 15 wineserver -w 2>/dev/null || true
        kill "$varnholt_xvfb_pid" 2>/dev/null || true' EXIT
  export DISPLAY=":${varnholt_display}"
  for _ in $(seq 100); do
    [ -S "/tmp/.X11-unix/X${varnholt_display}" ] && break
    sleep 0.1
  done
fi
