#!/usr/bin/env bash
# Installs what is missing, builds incrementally and starts the program with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
[[ -f build/build.ninja ]] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build --target quillmere >&2
exec build/quillmere "$@"
