#!/usr/bin/env bash
# Reads the dynamic section of each program and fails for an RPATH or RUNPATH
# entry that is empty or relative: the loader takes an empty entry for the
# current folder and $ORIGIN for the program's own, so a library planted there
# would run inside the program.
#     check_runpath.sh [--none] PROGRAM...
# --none: no RPATH or RUNPATH at all (an installed program, whose libraries are
# all the system's).
set -euo pipefail
none=false
if [[ ${1-} == --none ]]; then none=true; shift; fi
(($# > 0)) || { echo "usage: check_runpath.sh [--none] PROGRAM..." >&2; exit 2; }

failed=0
for program in "$@"; do
  if ! dynamic=$(LC_ALL=C readelf --dynamic --wide "$program" 2>&1) || [[ $dynamic != *'(NEEDED)'* ]]; then
    echo "$program: no dynamic section could be read: $dynamic" >&2
    failed=1
    continue
  fi
  # Lines such as " 0x...1d (RUNPATH)  Library runpath: [/a:/b]".
  while IFS= read -r line; do
    [[ $line =~ \((RPATH|RUNPATH)\).*\[(.*)\]$ ]] || continue
    kind=${BASH_REMATCH[1]} value=${BASH_REMATCH[2]}
    if $none; then
      echo "$program: $kind [$value]: an installed program needs none" >&2
      failed=1
      continue
    fi
    IFS=: read -r -a entries <<<"$value:"
    for entry in "${entries[@]}"; do
      if [[ $entry != /* ]]; then
        echo "$program: $kind [$value] has the entry '$entry', which is not an absolute folder" >&2
        failed=1
        break
      fi
    done
  done <<<"$dynamic"
done
exit "$failed"
