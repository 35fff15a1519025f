#!/usr/bin/env bash
# Runs a command on an X server of its own: a fresh Xvfb on the first free
# display (-displayfd), reached only through its local socket, stopped on every
# way out. The command alone sees DISPLAY and the xcb platform; the rest of the
# suite stays offscreen and never meets a display of this machine.
set -euo pipefail
(($# > 0)) || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-xvfb-XXXXXX")
xvfb=
stop() {
  if [[ -n $xvfb ]]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap stop EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb writes its display number to this pipe once it accepts connections. It
# goes with this script even when no trap can run (a kill -9 at a timeout).
mkfifo "$scratch/display"
exec {ready}<>"$scratch/display"
setpriv --pdeathsig TERM Xvfb -displayfd "$ready" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
if ! read -r -t 30 -u "$ready" display; then
  echo "Xvfb did not start:" >&2
  cat "$scratch/xvfb.log" >&2
  exit 1
fi
exec {ready}>&-

# No cookie of the user's is read: the server takes local clients without one.
: >"$scratch/Xauthority"
status=0
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE \
  DISPLAY=":$display" XAUTHORITY="$scratch/Xauthority" QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
