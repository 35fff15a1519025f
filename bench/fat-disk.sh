# Makes the disk image the drive benchmarks in this folder work on. Sourced by
# them; needs mkfs.fat, mmd, mcopy and python3, and $work (a scratch folder).

# make_fat_disk IMAGE MIB: a raw hard disk of MIB + 1 MiB whose MBR holds one
# active FAT16 partition of MIB MiB at 1 MiB, with the three logos installed
# (every byte 'a'). Prints the mtools name of the partition (IMAGE@@1048576).
make_fat_disk() {
  local image=$1 mib=$2
  truncate -s $((mib + 1))M "$image"
  mkfs.fat -F 16 -n "DRIVE C" --offset 2048 "$image" $((mib * 1024)) >/dev/null
  python3 - "$image" "$mib" <<'PY'
import struct, sys
with open(sys.argv[1], "r+b") as f:
    mbr = bytearray(512)
    mbr[446:462] = struct.pack("<B3sB3sII", 0x80, b"\0\0\0", 0x06, b"\0\0\0", 2048, int(sys.argv[2]) * 2048)
    mbr[510:512] = b"\x55\xaa"
    f.write(mbr)
PY
  head -c 129078 /dev/zero | tr '\0' 'a' >"$work/logo.sys"
  local at="$image@@1048576"
  mmd -i "$at" ::/Windows
  for name in ::/logo.sys ::/Windows/logow.sys ::/Windows/logos.sys; do
    mcopy -i "$at" "$work/logo.sys" "$name"
  done
  echo "$at"
}
