#!/usr/bin/env bash
# What "quillmere convert" costs against "djpeg -bmp" decoding the same photo:
# whole processes, the two in turn (A B A B ...) so that both see the same
# machine, medians of the CPU (user + sys) and page faults the kernel counted
# for each run, and the median of the ratio pair by pair. Run by hand:
#   bench/djpeg-cost.sh [BUILD_DIR] [RUNS] [SIZE ...]
# SIZE is WIDTHxHEIGHT (640x480 unless given); the photo is made with
# ImageMagick as bench/compare.sh makes it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-41}
shift $(($# < 2 ? $# : 2))
sizes=("${@:-640x480}")
quillmere=$build/quillmere
cost=$build/tools/process_cost
for exe in "$quillmere" "$cost"; do
  [[ -x $exe ]] || { echo "no $exe: build the quillmere and process_cost targets first" >&2; exit 1; }
done
magick=/usr/bin/convert
[[ -x $magick ]] || magick=$(command -v convert)
for tool in djpeg "$magick"; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median of the numbers on standard input, one a line.
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

printf '%-10s %-10s %9s %9s %9s %8s\n' size tool 'cpu ms' 'user ms' 'sys ms' faults
for size in "${sizes[@]}"; do
  photo=$work/photo-$size.jpg
  # A photo-like picture: fractal light and shade, saved as a typical camera JPEG.
  "$magick" -seed 7 -size "$size" plasma:fractal -quality 90 "$photo"
  q=("$quillmere" convert "$photo" "$work/q.bmp")
  d=(djpeg -bmp -outfile "$work/d.bmp" "$photo")
  # A warm-up of each: the programs, libraries and photo in the page cache.
  "$cost" "${q[@]}" >/dev/null
  "$cost" "${d[@]}" >/dev/null
  : >"$work/q.txt"
  : >"$work/d.txt"
  for ((i = 0; i < runs; i++)); do
    "$cost" "${q[@]}" >>"$work/q.txt"
    "$cost" "${d[@]}" >>"$work/d.txt"
  done
  if awk '$5 != 0 { bad = 1 } END { exit !bad }' "$work/q.txt" "$work/d.txt"; then
    echo "a run failed: see its exit status (fifth column)" >&2
    cat "$work/q.txt" "$work/d.txt" >&2
    exit 1
  fi
  for tool in quillmere djpeg; do
    file=$work/${tool:0:1}.txt
    printf '%-10s %-10s %9.2f %9.2f %9.2f %8d\n' "$size" "$tool" \
      "$(awk '{ print ($1 + $2) / 1000 }' "$file" | median)" \
      "$(awk '{ print $1 / 1000 }' "$file" | median)" \
      "$(awk '{ print $2 / 1000 }' "$file" | median)" \
      "$(awk '{ print $3 + $4 }' "$file" | median)"
  done
  ratio=$(paste -d ' ' "$work/q.txt" "$work/d.txt" |
    awk '{ d = $6 + $7; print (d > 0 ? ($1 + $2) / d : "inf") }' | median)
  printf '%-10s quillmere/djpeg CPU, median of %d pairs: %.2f\n' "$size" "$runs" "$ratio"
done
