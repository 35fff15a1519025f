#!/usr/bin/env bash
# "convert --quality best" side by side with the exact conversion, ImageMagick
# and pngquant, on pictures of several kinds made here from fixed seeds: the
# 640x480 and 12-megapixel photos of compare.sh, a greyscale photo, a drawing
# with large flat areas and a smooth colour gradient.
#
# Quality: every tool reduces the same 320x400 picture (the input sampled to
# 320x400 by ImageMagick, nearest pixel, saved as a 24-bit BMP, which convert
# takes as it is) and the PSNR of the result against it is printed, in dB.
# Speed: the median wall time of the whole process on the original picture
# (pngquant, which reads PNG only, on the 320x400 picture), and quillmere's
# CPU time, which varies less on a busy machine, with best's ratio to exact.
#
# Run by hand: bench/quality.sh [BUILD_DIR] [RUNS]. Needs ImageMagick and
# pngquant (apt-get install pngquant).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-11}
quillmere=$build/quillmere
[[ -x $quillmere ]] || { echo "no $quillmere: build the quillmere target first" >&2; exit 1; }
magick=/usr/bin/convert
[[ -x $magick ]] || magick=$(command -v convert)
compare=$(dirname "$magick")/compare
[[ -x $compare ]] || compare=$(command -v compare)
for tool in pngquant /usr/bin/time "$magick" "$compare"; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. bench/timing.sh # median_ms, peak_mib

# Mean CPU time in milliseconds of "$@" over $runs runs, from perf's task
# clock (fine-grained, and steadier than wall time on a busy machine); "-"
# without perf.
cpu_ms() {
  command -v perf >/dev/null || { printf -- '-'; return; }
  perf stat -r "$runs" -x, -e task-clock -o "$work/cpu" "$@" >/dev/null 2>&1 || { printf -- '-'; return; }
  awk -F, '/task-clock/ { printf "%.1f", $1 }' "$work/cpu"
}

# PSNR in dB of picture $2 against $1 ("inf" for the same pixels). compare
# exits with status 1 when the pictures differ.
psnr() {
  { "$compare" -metric PSNR "$1" "$2" null: 2>&1 || true; } | awk '{ v = $1; if (v == "inf" || v == "0") v = "inf"; printf "%s", v }'
}

# The pictures: name and how to make it.
make_picture() {
  case $1 in
    photo-640x480.jpg) "$magick" -seed 7 -size 640x480 plasma:fractal -quality 90 "$2" ;;
    photo-12mp.jpg) "$magick" -seed 7 -size 4000x3000 plasma:fractal -quality 90 "$2" ;;
    grey-640x480.jpg) "$magick" -seed 11 -size 640x480 plasma:fractal -colorspace Gray -quality 90 "$2" ;;
    drawing-640x480.bmp)
      "$magick" -size 640x480 xc:'#f4f0e6' -fill '#1d5fa8' -draw 'rectangle 40,40 300,220' \
        -fill '#e8b61c' -draw 'circle 450,150 450,60' -fill '#c2362b' -draw 'polygon 80,440 260,260 420,440' \
        -stroke '#202020' -strokewidth 6 -fill none -draw 'ellipse 480,360 120,70 0,360' \
        \( -size 240x120 gradient:'#fdfdfd-#4a86c5' \) -geometry +360+20 -composite \
        \( -size 160x100 radial-gradient:'#ffe080-#b03060' \) -geometry +60+300 -composite \
        -type TrueColor "BMP3:$2" ;;
    gradient-640x480.bmp)
      "$magick" \( -size 640x480 gradient:'#ff2000-#0030ff' \) \( -size 480x640 gradient:'#000000-#00ff40' -rotate 90 \) \
        -compose plus -composite -type TrueColor "BMP3:$2" ;;
  esac
}

pictures=(photo-640x480.jpg photo-12mp.jpg grey-640x480.jpg drawing-640x480.bmp gradient-640x480.bmp)
printf '%-22s | %7s %7s %7s %8s | %9s %9s %9s %9s | %9s %9s %6s\n' picture exact best magick pngquant \
  "exact ms" "best ms" "magick ms" "pq ms" "exact cpu" "best cpu" ratio
sum_best=0 sum_pq=0 counted=0
for name in "${pictures[@]}"; do
  in=$work/$name
  make_picture "$name" "$in"
  ref=$work/ref.bmp
  "$magick" "$in" -sample '320x400!' -type TrueColor "BMP3:$ref"
  "$magick" "$ref" "$work/ref.png"

  "$quillmere" convert "$ref" "$work/exact.bmp"
  "$quillmere" convert --quality best "$ref" "$work/best.bmp"
  "$magick" "$ref" -dither FloydSteinberg -colors 256 -type Palette -compress none "BMP3:$work/magick.bmp"
  pngquant 256 --force --output "$work/pq.png" "$work/ref.png"
  p_exact=$(psnr "$ref" "$work/exact.bmp")
  p_best=$(psnr "$ref" "$work/best.bmp")
  p_magick=$(psnr "$ref" "$work/magick.bmp")
  p_pq=$(psnr "$ref" "$work/pq.png")

  t_exact=$(median_ms "$quillmere" convert "$in" "$work/t.bmp")
  t_best=$(median_ms "$quillmere" convert --quality best "$in" "$work/t.bmp")
  t_magick=$(median_ms "$magick" "$in" -sample '320x400!' -dither FloydSteinberg -colors 256 -type Palette \
    -compress none "BMP3:$work/t.bmp")
  t_pq=$(median_ms pngquant 256 --force --output "$work/t.png" "$work/ref.png")
  c_exact=$(cpu_ms "$quillmere" convert "$in" "$work/t.bmp")
  c_best=$(cpu_ms "$quillmere" convert --quality best "$in" "$work/t.bmp")
  ratio=$(awk -v a="$c_best" -v b="$c_exact" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else printf "-" }')

  printf '%-22s | %7s %7s %7s %8s | %9s %9s %9s %9s | %9s %9s %6s\n' "$name" "$p_exact" "$p_best" "$p_magick" "$p_pq" \
    "$t_exact" "$t_best" "$t_magick" "$t_pq" "$c_exact" "$c_best" "$ratio"
  if [[ $p_best != inf && $p_pq != inf ]]; then
    sum_best=$(awk -v a="$sum_best" -v b="$p_best" 'BEGIN { print a + b }')
    sum_pq=$(awk -v a="$sum_pq" -v b="$p_pq" 'BEGIN { print a + b }')
    counted=$((counted + 1))
  fi
done
awk -v b="$sum_best" -v p="$sum_pq" -v n="$counted" \
  'BEGIN { printf "mean PSNR over the %d pictures neither copies exactly: best %.2f dB, pngquant %.2f dB\n", n, b / n, p / n }'
