# Sourced: gives the Windows tests an X display. Uses $DISPLAY when one is
# set and answers; otherwise starts a private Xvfb, stopped when the shell exits.
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1 && ! [ -S "/tmp/.X11-unix/X${DISPLAY#:}" ]; then
  for n in $(seq 90 140); do
    [ -e "/tmp/.X${n}-lock" ] || [ -S "/tmp/.X11-unix/X${n}" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  varnholt_xvfb_pid=$!
  trap 'kill $varnholt_xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do
    [ -S "/tmp/.X11-unix/X${n}" ] && break
    sleep 0.1
  done
fi
