#!/usr/bin/env bash
# Compares whole processes side by side on photos of 640x480, 1920x1080 and
# 4000x3000: "quillmere convert", djpeg decoding the same file, and ImageMagick
# doing the same job. Prints the median wall time of several runs and the peak
# resident memory of each. Run by hand: bench/compare.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-7}
quillmere=$build/quillmere
[[ -x $quillmere ]] || { echo "no $quillmere: build the quillmere target first" >&2; exit 1; }
magick=/usr/bin/convert
[[ -x $magick ]] || magick=$(command -v convert)
for tool in djpeg /usr/bin/time "$magick"; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. bench/timing.sh # median_ms, peak_mib

printf '%-10s %-10s %10s %10s %12s\n' size tool "ms" "peak MiB" "vs magick"
for size in 640x480 1920x1080 4000x3000; do
  photo=$work/photo-$size.jpg
  # A photo-like picture: fractal light and shade, saved as a typical camera JPEG.
  "$magick" -seed 7 -size "$size" plasma:fractal -quality 90 "$photo"
  w=${size%x*} h=${size#*x}

  q_ms=$(median_ms "$quillmere" convert "$photo" "$work/q.bmp")
  q_mib=$(peak_mib "$quillmere" convert "$photo" "$work/q.bmp")
  d_ms=$(median_ms djpeg -outfile "$work/d.ppm" "$photo")
  d_mib=$(peak_mib djpeg -outfile "$work/d.ppm" "$photo")
  m_ms=$(median_ms "$magick" "$photo" -sample '320x400!' -dither FloydSteinberg -colors 256 -type Palette \
    -compress none "BMP3:$work/m.bmp")
  m_mib=$(peak_mib "$magick" "$photo" -sample '320x400!' -dither FloydSteinberg -colors 256 -type Palette \
    -compress none "BMP3:$work/m.bmp")

  printf '%-10s %-10s %10s %10s %11sx\n' "$size" quillmere "$q_ms" "$q_mib" "$(awk -v a="$m_ms" -v b="$q_ms" 'BEGIN { printf "%.1f", a / b }')"
  printf '%-10s %-10s %10s %10s\n' "$size" djpeg "$d_ms" "$d_mib"
  printf '%-10s %-10s %10s %10s\n' "$size" magick "$m_ms" "$m_mib"
  awk -v w="$w" -v h="$h" -v q="$q_mib" 'BEGIN { d = w * h * 4 / 1048576;
    printf "%-10s decoded 32-bit picture %.1f MiB; quillmere peak is %.2f times it (goal at most 2.5)\n", "", d, q / d }'
done
