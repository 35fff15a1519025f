#!/usr/bin/env bash
# make_huge_claims takes one folder and nothing else: an option it does not know
# (as a benchmark runner passes to every program it finds) is refused with its
# usage and status 2, and nothing is made in the current folder.
#     check_arguments.sh MAKE_HUGE_CLAIMS
set -euo pipefail
maker=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

failed=0
fail() { echo "make_huge_claims $*" >&2; failed=1; }

# Arguments, then the status and what the current folder holds afterwards.
refused=(
  "--benchmark_list_tests"
  "--benchmark_filter=. out"
  "out --benchmark_list_tests"
  "-x"
  ""
  "one two"
  "--"
)
for args in "${refused[@]}"; do
  # shellcheck disable=SC2086 # the words are the arguments
  status=0; "$maker" $args >out.txt 2>err.txt || status=$?
  ((status == 2)) || fail "$args: status $status, not 2"
  grep -q '^usage: make_huge_claims' err.txt || fail "$args: no usage on standard error"
  made=$(ls -A | grep -vxE 'out.txt|err.txt' || true)
  [[ -z $made ]] || fail "$args: made $made"
  rm -rf -- ./*
done

status=0; "$maker" --help >out.txt 2>err.txt || status=$?
((status == 0)) && grep -q '^usage: make_huge_claims' out.txt || fail "--help: status $status, or no usage"

# A folder whose name starts with "-" follows "--".
"$maker" -- -files || fail "-- -files: status $?"
ls -- -files/claim-* >/dev/null 2>&1 || fail "-- -files: no claim files in -files"
exit "$failed"
