#!/usr/bin/env bash
# Tiny files that claim huge pictures, answered by whole processes: for each
# file that build/tools/make_huge_claims writes, the median wall time of
# "quillmere info FILE" and "quillmere convert FILE OUT" over several runs and
# the peak resident memory of one run of each. The goal for every file that
# claims what its data cannot hold: under 50 ms and under 64 MB for the whole
# process. The files whose data ends early under the limit (*-cut) have no
# such goal: they show memory that follows what was decoded. Run by hand:
#   bench/huge-claims.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-9}
quillmere=$build/quillmere
maker=$build/tools/make_huge_claims
for exe in "$quillmere" "$maker"; do
  [[ -x $exe ]] || { echo "no $exe: build the quillmere and make_huge_claims targets first" >&2; exit 1; }
done
command -v /usr/bin/time >/dev/null || { echo "missing /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work/files"

. bench/timing.sh # median_ms, peak_mib

over=0
printf '%-30s %-8s %8s %9s  %s\n' file command ms 'peak MiB' answer
for file in "$work"/files/*; do
  name=$(basename "$file")
  for command in info convert; do
    if [[ $command == info ]]; then args=(info "$file"); else args=(convert "$file" "$work/out.sys"); fi
    ms=$(median_ms "$quillmere" "${args[@]}")
    mib=$(peak_mib "$quillmere" "${args[@]}")
    answer=$("$quillmere" "${args[@]}" 2>&1 | sed "s|$file: ||; s|quillmere $command: ||" | cut -c1-60 || true)
    verdict=
    if [[ $name != *-cut.* ]]; then
      verdict=$(awk -v t="$ms" -v m="$mib" 'BEGIN { print (t < 50 && m < 64) ? "" : "  <- over the goal" }')
    fi
    [[ -z $verdict ]] || over=1
    printf '%-30s %-8s %8s %9s  %s%s\n' "$name" "$command" "$ms" "$mib" "$answer" "$verdict"
  done
done
[[ -e $work/out.sys ]] && echo "a refused file produced an output" >&2 && exit 1
exit "$over"
