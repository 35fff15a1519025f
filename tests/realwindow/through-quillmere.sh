#!/usr/bin/env bash
# The windows as a user starts them: quillmere with no command, on the X server
# run-under-xvfb.sh gives this script. quillmere must hand over to the window
# program (the same process, now quillmere-windows, with the same arguments),
# and the Logo Manager must come up on the drive named.
#   through-quillmere.sh QUILLMERE
set -euo pipefail
quillmere=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-through-XXXXXX")
program=
stop() {
  if [[ -n $program ]]; then
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap stop EXIT
fail() { echo "through-quillmere: $*" >&2; exit 1; }

drive=$scratch/drive_c
mkdir -p "$drive/WINDOWS"
HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data \
  "$quillmere" --drive-c "$drive" >"$scratch/out" 2>&1 &
program=$!

# The window's title on the X server is the condition; the wait is bounded.
for ((tries = 0; tries < 600; tries++)); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Logo Manager"' && break
  kill -0 "$program" 2>/dev/null || fail "the program ended before its window came up: $(cat "$scratch/out")"
  sleep 0.1
done
xwininfo -root -tree | grep -q '"Logo Manager"' || fail "no Logo Manager window within a minute"

exe=$(readlink "/proc/$program/exe")
[[ $(basename "$exe") == quillmere-windows ]] || fail "the window is not the window program's: $exe"
mapfile -d '' arguments <"/proc/$program/cmdline"
[[ ${arguments[1]-} == --drive-c && ${arguments[2]-} == "$drive" ]] ||
  fail "the window program did not get quillmere's arguments: ${arguments[*]}"
[[ -d "$drive/VH Backups" ]] || fail "the Logo Manager did not prepare the drive named"

# The window's class is the menu entry's StartupWMClass, so that the desktop
# matches the two though the program runs as quillmere-windows.
window=$(xwininfo -root -tree | awk '/"Logo Manager"/ { print $1; exit }')
class=$(xprop -id "$window" WM_CLASS)
wanted=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../app/quillmere.desktop")
[[ -n $wanted && $class == "WM_CLASS(STRING) = \"quillmere-windows\", \"$wanted\"" ]] ||
  fail "the window's class is not the menu entry's StartupWMClass ($wanted): $class"
echo "through-quillmere: the Logo Manager came up as $exe"
