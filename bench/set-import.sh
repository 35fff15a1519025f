#!/usr/bin/env bash
# Times "quillmere sets import" of a logo pack of about 400 KB (three logos of
# incompressible bytes under a prefix, and a readme) on a folder drive, beside
# "quillmere status" on the same drive, which runs the same start-up steps and
# nothing else; the difference is the import itself: reading the zip,
# inflating, and the three durable writes. On a busy machine wall time mostly
# waits, so the processor time (user and system) is given too, and the peak
# memory of one import.
# Run by hand: bench/set-import.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-21}
quillmere=$PWD/$build/quillmere
[[ -x $quillmere ]] || { echo "no $quillmere: build the quillmere target first" >&2; exit 1; }
command -v python3 >/dev/null || { echo "missing python3" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

folder=$work/drive
mkdir -p "$folder/Windows"
head -c 129078 /dev/zero | tr '\0' 'a' >"$folder/logo.sys"
python3 - "$work/pack.zip" <<'PY'
import random, sys, zipfile
rng = random.Random(1998)
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for name in ("e1-logo.sys", "e1-logow.sys", "e1-logos.sys"):
        z.writestr(name, bytes(rng.getrandbits(8) for _ in range(129078)))
    z.writestr("readme.txt", "Three logos that belong together.\r\n" * 40)
PY
"$quillmere" --drive-c "$folder" status >/dev/null # the first run keeps the originals

. bench/timing.sh # median_ms, peak_mib

# Median processor time (user + system) in milliseconds of "$@" over $runs runs.
median_cpu_ms() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f '%U %S' -o "$work/cpu" "$@" >/dev/null 2>&1 || true
    times+=("$(tail -n 1 "$work/cpu" | awk '{ printf "%d", ($1 + $2) * 1000 }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

status_ms=$(median_ms "$quillmere" --drive-c "$folder" status)
import_ms=$(median_ms "$quillmere" --drive-c "$folder" sets import 3 "$work/pack.zip")
status_cpu=$(median_cpu_ms "$quillmere" --drive-c "$folder" status)
import_cpu=$(median_cpu_ms "$quillmere" --drive-c "$folder" sets import 3 "$work/pack.zip")
import_mib=$(peak_mib "$quillmere" --drive-c "$folder" sets import 3 "$work/pack.zip")
"$quillmere" --drive-c "$folder" sets import 3 "$work/pack.zip" >/dev/null ||
  { echo "the import failed" >&2; exit 1; }
printf 'pack: %s bytes, %s runs each\n' "$(stat -c %s "$work/pack.zip")" "$runs"
printf '%-14s %10s %14s\n' command "median ms" "median cpu ms"
printf '%-14s %10s %14s\n' status "$status_ms" "$status_cpu"
printf '%-14s %10s %14s\n' "sets import" "$import_ms" "$import_cpu"
awk -v a="$import_ms" -v b="$status_ms" -v m="$import_mib" \
  'BEGIN { printf "the import itself: %.1f ms; peak memory of one import: %s MiB\n", a - b, m }'
