#!/usr/bin/env bash
# Times "quillmere --drive-c IMAGE status" against the same command on a folder
# holding the same files: a FAT16 partition at 1 MiB of a raw hard-disk image,
# prepared by a first run on each, then timed over several runs. Also counts
# the mtools programs one status on the image starts (goal: the image within
# 10 times the folder). Run by hand: bench/image-drive.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-21}
quillmere=$PWD/$build/quillmere
[[ -x $quillmere ]] || { echo "no $quillmere: build the quillmere target first" >&2; exit 1; }
PATH=$PATH:/usr/sbin:/sbin
for tool in mkfs.fat mcopy mmd python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs mtools and dosfstools)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null

# The image: an MBR with one active FAT16 partition of 32 MiB at 1 MiB, the logos installed.
. bench/fat-disk.sh
image=$work/disk.img
make_fat_disk "$image" 32 >/dev/null
folder=$work/drive
mkdir -p "$folder/Windows"
cp "$work/logo.sys" "$folder/logo.sys"
cp "$work/logo.sys" "$folder/Windows/logow.sys"
cp "$work/logo.sys" "$folder/Windows/logos.sys"

# The first run keeps the originals and saves nothing else; then two sets.
for drive in "$image" "$folder"; do
  "$quillmere" --drive-c "$drive" status >/dev/null
  "$quillmere" --drive-c "$drive" sets save 1 >/dev/null
  "$quillmere" --drive-c "$drive" sets save 10 >/dev/null
done

. bench/timing.sh # median_ms, peak_mib

folder_ms=$(median_ms "$quillmere" --drive-c "$folder" status)
image_ms=$(median_ms "$quillmere" --drive-c "$image" status)
# The programs one status starts, counted by strace when it is there.
programs="(no strace to count them)"
if command -v strace >/dev/null; then
  strace -f -e trace=execve -o "$work/trace" "$quillmere" --drive-c "$image" status >/dev/null 2>&1 || true
  programs=$(grep -c 'execve("[^"]*/m[a-z]*"' "$work/trace" || true)
fi
printf '%-8s %10s\n' drive "median ms"
printf '%-8s %10s\n' folder "$folder_ms"
printf '%-8s %10s\n' image "$image_ms"
awk -v a="$image_ms" -v b="$folder_ms" -v p="$programs" \
  'BEGIN { printf "image / folder: %.1fx (goal: at most 10x); mtools programs per status: %s\n", a / b, p }'
