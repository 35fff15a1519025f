#!/usr/bin/env bash
# "quillmere info" on tiny files that claim huge pictures, measured as whole
# processes: for each file that make_huge_claims writes, the CPU time (user +
# system) and the peak resident memory of a run, and what each costs beyond
# "quillmere --version", which is the program's start alone (loading its
# libraries). Each file is answered twice: under the usual limit of 128
# megapixels (most claims are refused from their header) and with
# --max-megapixels 600, under which each is a picture to describe, up to
# 23000 x 23000 pixels. The goal for every answer: under 10 ms of CPU and 16 MB
# of memory beyond the start. Run by hand:
#   bench/info-header.sh [BUILD_DIR] [RUNS] [PROGRAM]
# PROGRAM (BUILD_DIR/quillmere unless given) may be another build of the
# program, to compare; make_huge_claims always comes from BUILD_DIR/tools.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-9}
quillmere=${3:-$build/quillmere}
maker=$build/tools/make_huge_claims
for exe in "$quillmere" "$maker"; do
  [[ -x $exe ]] || { echo "no $exe: build the quillmere and make_huge_claims targets first" >&2; exit 1; }
done
command -v python3 >/dev/null || { echo "missing python3" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work/files"

# Prints "CPU_MS BEYOND_MS PEAK_MIB BEYOND_MIB" for the program run with the
# arguments given: its median CPU time over RUNS runs, from the kernel's
# account of each finished child (finer than /usr/bin/time's hundredths); the
# median of what each run took beyond a run of "--version" just before it (in
# pairs, so that a machine whose speed drifts still gives a fair difference);
# its largest peak resident memory, and how far that lies above the start's.
measure() {
  python3 - "$runs" "$quillmere" "$@" <<'PYTHON'
import os, statistics, subprocess, sys
runs, program, argv = int(sys.argv[1]), sys.argv[2], sys.argv[2:]

def run(command):
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(child.pid, 0)
    return (usage.ru_utime + usage.ru_stime) * 1000, usage.ru_maxrss / 1024

cpu, beyond, peak, start_peak = [], [], 0, 0
for _ in range(runs):
    start_ms, start_mib = run([program, "--version"])
    ms, mib = run(argv)
    cpu.append(ms)
    beyond.append(ms - start_ms)
    peak, start_peak = max(peak, mib), max(start_peak, start_mib)
print(f"{statistics.median(cpu):.2f} {statistics.median(beyond):.2f} {peak:.1f} {peak - start_peak:.1f}")
PYTHON
}

over=0
printf '%-30s %-5s %7s %7s %8s %7s  %s\n' file limit 'CPU ms' beyond 'peak MiB' beyond answer
for file in "$work"/files/*; do
  name=$(basename "$file")
  for limit in 128 600; do
    read -r ms beyond mib above < <(measure info --max-megapixels "$limit" "$file")
    answer=$("$quillmere" info --max-megapixels "$limit" "$file" 2>&1 |
      sed "s|$file: ||; s|quillmere info: ||" | cut -c1-50 || true)
    verdict=$(awk -v t="$beyond" -v m="$above" 'BEGIN { print (t < 10 && m < 16) ? "" : "  <- over the goal" }')
    [[ -z $verdict ]] || over=1
    printf '%-30s %-5s %7s %7s %8s %7s  %s%s\n' "$name" "$limit" "$ms" "$beyond" "$mib" "$above" "$answer" "$verdict"
  done
done
read -r ms _ mib _ < <(measure --version)
printf '\nthe start alone (quillmere --version): %s ms CPU, %s MiB\n' "$ms" "$mib"
exit "$over"
