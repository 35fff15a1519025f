#!/usr/bin/env bash
# Times "quillmere --drive-c IMAGE status" and one "install" on the same disk
# as a raw image and as each format QEMU's tools serve it from: qcow2, dynamic
# VHD (vpc), VDI, VMDK and VHDX, each made from the raw image by qemu-img. The
# disk: 256 MB, an MBR with one active FAT16 partition at 1 MiB holding the
# three logos. Also measures how much each image file grows with that install
# (its size and its allocated bytes) and checks, through a raw copy, that the
# image holds the new logo afterwards.
# Goals: status within 0.5 s and within 5 times raw; an install grows the image
# by no more than the logo and a few of the format's clusters.
# Run by hand: bench/virtual-disks.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-11}
[[ $build == /* ]] || build=$PWD/$build
quillmere=$build/quillmere
[[ -x $quillmere ]] || { echo "no $quillmere: build the quillmere target first" >&2; exit 1; }
PATH=$PATH:/usr/sbin:/sbin
command -v qemu-img >/dev/null ||
  { echo "qemu-img is missing: install the Debian package qemu-utils (scripts/setup.sh does)" >&2; exit 1; }
for tool in mkfs.fat mcopy mmd python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs mtools and dosfstools)" >&2; exit 1; }
done
for tool in qemu-nbd nbdfuse fusermount3; do
  command -v "$tool" >/dev/null ||
    echo "note: no $tool (Debian packages qemu-utils, libnbd-bin, fuse3): the formats but raw will be refused" >&2
done
[[ -e /dev/fuse ]] || echo "note: no /dev/fuse here: the formats but raw will be refused" >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null

# The image: an MBR with one active FAT16 partition of 255 MiB at 1 MiB, the logos installed.
. bench/fat-disk.sh
base=$work/base.img
make_fat_disk "$base" 255 >/dev/null

# The logo to install: a 320 x 400 picture made into a logo by the program.
python3 - "$work/picture.bmp" <<'PY'
import struct, sys
w, h = 320, 400
rows = b"".join(bytes(((x + y) % 256, x * 255 // w, y * 255 // h) * 1)
                for y in range(h) for x in range(w))
with open(sys.argv[1], "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54))
    f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0))
    f.write(rows)
PY
new=$work/new.sys
"$quillmere" convert "$work/picture.bmp" "$new" >/dev/null
logo_bytes=$(stat -c %s "$new")

. bench/timing.sh # median_ms

# The image's size and allocated bytes, as "SIZE ALLOCATED".
sizes() { echo "$(stat -c %s "$1") $(du -B1 "$1" | cut -f1)"; }

# Whether the image's C:\logo.sys is the new logo, read from a raw copy, and
# whether qemu-img finds the image consistent (where it can check the format).
verify() {
  local image=$1 fmt=$2 raw=$work/check.raw
  if [[ $fmt == raw ]]; then
    raw=$image
  else
    qemu-img check -q -f "$fmt" "$image" >/dev/null 2>&1 || [[ $? == 63 ]] || { echo "damaged"; return; }
    qemu-img convert -f "$fmt" -O raw "$image" "$raw"
  fi
  if mcopy -n -i "$raw@@1048576" ::/logo.sys "$work/found.sys" 2>/dev/null && cmp -s "$work/found.sys" "$new"; then
    echo ok
  else
    echo "no logo"
  fi
  rm -f "$work/check.raw" "$work/found.sys"
}

failed=0
rows=()
raw_ms=
for fmt in raw qcow2 vpc vdi vmdk vhdx; do
  case $fmt in
    raw) image=$work/disk.img; cp --sparse=always "$base" "$image" ;;
    vpc) image=$work/disk.vhd; qemu-img convert -O vpc -o subformat=dynamic "$base" "$image" ;;
    *) image=$work/disk.$fmt; qemu-img convert -O "$fmt" "$base" "$image" ;;
  esac
  if [[ $fmt == raw ]]; then
    cluster=$(stat -f -c %S "$image")
  else
    cluster=$(qemu-img info --output=json "$image" |
      python3 -c 'import json, sys; print(json.load(sys.stdin).get("cluster-size", 0))')
  fi
  # The first run keeps the originals; it must work for the rest to mean anything.
  if ! "$quillmere" --drive-c "$image" status >/dev/null 2>"$work/error"; then
    rows+=("$(printf '%-6s refused: %s' "$fmt" "$(head -n 1 "$work/error" | sed "s|^quillmere status: $image: ||" | cut -c1-100)")")
    failed=1
    rm -f "$image"
    continue
  fi
  status_ms=$(median_ms "$quillmere" --drive-c "$image" status)
  [[ $fmt == raw ]] && raw_ms=$status_ms
  read -r size_before alloc_before <<<"$(sizes "$image")"
  start=$(date +%s%N)
  if "$quillmere" --drive-c "$image" install startup "$new" >/dev/null 2>"$work/error"; then
    end=$(date +%s%N)
    install_ms=$(awk -v n=$(((end - start) / 1000)) 'BEGIN { printf "%.1f", n / 1000 }')
    read -r size_after alloc_after <<<"$(sizes "$image")"
    result=$(verify "$image" "$fmt")
  else
    install_ms=failed size_after=$size_before alloc_after=$alloc_before
    result="install: $(head -n 1 "$work/error" | cut -c1-60)"
  fi
  [[ $result == ok ]] || failed=1
  grew=$((size_after - size_before)) allocated=$((alloc_after - alloc_before))
  verdict=$(awk -v s="$status_ms" -v r="${raw_ms:-$status_ms}" -v g="$grew" -v a="$allocated" \
    -v l="$logo_bytes" -v c="$cluster" 'BEGIN {
      m = g > a ? g : a; v = ""
      if (s > 500 || s > 5 * r) v = v "status slow "
      if (m > l + 4 * c) v = v "grew too much"
      sub(/ $/, "", v); print v == "" ? "met" : v }')
  rows+=("$(printf '%-6s %9s %6s %10s %12s %12s %9s  %-8s %s' "$fmt" "$status_ms" \
    "$(awk -v s="$status_ms" -v r="${raw_ms:-$status_ms}" 'BEGIN { printf "%.1fx", s / r }')" \
    "$install_ms" "$grew" "$allocated" "$cluster" "$result" "$verdict")")
  rm -f "$image"
done

printf '%-6s %9s %6s %10s %12s %12s %9s  %-8s %s\n' format "status ms" "/ raw" "install ms" \
  "grew bytes" "grew alloc" cluster image goals
printf '%s\n' "${rows[@]}"
echo "status: median of $runs runs after a first run that keeps the originals; install: one run of a" \
  "$logo_bytes-byte logo."
echo "goals: status within 500 ms and within 5x raw; growth (the larger of size and allocated) within" \
  "the logo and 4 of the format's clusters."
exit "$failed"
