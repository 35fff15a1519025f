#!/usr/bin/env bash
# Installs what is missing, builds incrementally and runs the whole test suite:
# the optimised build, the Debian package and its checks, a bounded fuzzing run
# of the picture import, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== optimised build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== the Debian package (a release build, lintian, the validators, the unpacked program)"
tests/package/package-test.sh

echo "== fuzzing the picture import (clang, libFuzzer, ASan and UBSan; a minute per format)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLMERE_FUZZ=ON -DQUILLMERE_CORE_ONLY=ON -DQUILLMERE_TESTS=OFF -DQUILLMERE_BENCH=OFF
cmake --build build-fuzz -j "$jobs" --target fuzz_import make_fuzz_seeds
build-fuzz/fuzz/make_fuzz_seeds build-fuzz/seeds
suite=$PWD/../shared/testdata/bmpsuite
declare -A seeds=([bmp]="$suite/g $suite/q $suite/b" [gif]=build-fuzz/seeds/gif [jpeg]=build-fuzz/seeds/jpeg)
mkdir -p build-fuzz/artifacts
for format in bmp gif jpeg; do
  mkdir -p "build-fuzz/corpus/$format"
  log=build-fuzz/$format.log
  # shellcheck disable=SC2086 # the seed folders are separate words
  if build-fuzz/fuzz/fuzz_import -max_total_time=60 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/ "build-fuzz/corpus/$format" ${seeds[$format]} >"$log" 2>&1; then
    echo "$format: $(grep -E '^Done [0-9]+ runs' "$log")"
  else
    tail -n 60 "$log"
    echo "$format: the fuzzer failed; the input is in build-fuzz/artifacts/" >&2
    exit 1
  fi
done

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUILLMERE_SANITIZE=ON -DQUILLMERE_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
