# Whole-process measures shared by the comparison scripts in this folder, which
# set $runs (how many runs a median takes) and $work (a scratch folder).

# Median wall time in milliseconds of "$@" over $runs runs. A run that fails
# counts like any other: the scripts time refusals too.
median_ms() {
  local times=() start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] / 1000 }'
}

# Peak resident memory in MiB of one run of "$@".
peak_mib() {
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>&1 || true
  # The last line: before it, time notes a non-zero exit status.
  tail -n 1 "$work/rss" | awk '{ printf "%.1f", $1 / 1024 }'
}
