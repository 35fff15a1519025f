#!/usr/bin/env bash
# The time from starting the program until the Logo Manager is on the screen,
# against a bare Qt window of the same size, on an Xvfb server of its own:
# medians over several runs, each a fresh process on a practice drive.
# Run by hand: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-21}
for program in "$build/quillmere" "$build/bench/quillmere_mapped_after" "$build/bench/quillmere_bare_window"; do
  [[ -x $program ]] || { echo "no $program: build it first" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is missing (Debian package xvfb)" >&2; exit 1; }

work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display QT_QPA_PLATFORM=xcb HOME=$work/home XDG_CONFIG_HOME=$work/home XDG_DATA_HOME=$work/home
mkdir -p "$HOME"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || true
sleep 0.5

median() { sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] }'; }
measure() {
  for ((i = 0; i < runs; i++)); do
    "$build/bench/quillmere_mapped_after" "$@" | awk '{ print $2 }'
  done | median
}
# The first runs warm the disk cache and make the practice drive.
"$build/bench/quillmere_mapped_after" "$build/quillmere" >/dev/null
"$build/bench/quillmere_mapped_after" "$build/bench/quillmere_bare_window" >/dev/null
bare=$(measure "$build/bench/quillmere_bare_window")
manager=$(measure "$build/quillmere")
echo "bare Qt window   $bare ms"
echo "Logo Manager     $manager ms ($(awk -v a="$manager" -v b="$bare" 'BEGIN { printf "%.2f", a / b }')x; goal 1.2x)"
