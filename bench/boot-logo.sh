#!/usr/bin/env bash
# Times "quillmere --drive-c IMAGE boot-logo on|off" on a FAT16 partition of a
# raw disk image holding a Windows 98 MSDOS.SYS, each run changing the switch
# (on and off in turn), against "status" on the same image. Run by hand:
# bench/boot-logo.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-21}
quillmere=$PWD/$build/quillmere
[[ -x $quillmere ]] || { echo "no $quillmere: build the quillmere target first" >&2; exit 1; }
PATH=$PATH:/usr/sbin:/sbin
for tool in mkfs.fat mcopy mmd mattrib python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs mtools and dosfstools)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null

. bench/fat-disk.sh
image=$work/disk.img
at=$(make_fat_disk "$image" 32)
{
  printf '[Paths]\r\nWinDir=C:\\WINDOWS\r\nWinBootDir=C:\\WINDOWS\r\nHostWinBootDrv=C\r\n\r\n'
  printf '[Options]\r\nBootMulti=1\r\nBootGUI=1\r\nWinVer=4.10.2222\r\n;\r\n'
  for i in $(seq 18); do printf ';%s\r\n' "$(printf 'x%.0s' $(seq 68))"; done
} >"$work/MSDOS.SYS"
mcopy -i "$at" "$work/MSDOS.SYS" ::/MSDOS.SYS
mattrib -i "$at" +r +h +s ::/MSDOS.SYS
"$quillmere" --drive-c "$image" status >/dev/null # the first run keeps the originals

. bench/timing.sh # median_ms

times=()
for ((i = 0; i < runs; i++)); do
  state=$([[ $((i % 2)) == 0 ]] && echo off || echo on)
  start=$(date +%s%N)
  "$quillmere" --drive-c "$image" boot-logo "$state" >"$work/out" 2>&1 ||
    { cat "$work/out" >&2; exit 1; }
  end=$(date +%s%N)
  grep -q "Set Logo=" "$work/out" || { echo "boot-logo $state changed nothing:" >&2; cat "$work/out" >&2; exit 1; }
  times+=($(((end - start) / 1000)))
done
switch_ms=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] / 1000 }')
status_ms=$(median_ms "$quillmere" --drive-c "$image" status)
printf '%-16s %10s\n' command "median ms" "status" "$status_ms" "boot-logo on|off" "$switch_ms"
