#!/usr/bin/env bash
# Installs what is missing, builds incrementally and starts the program with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target quillmere >&2
exec build/quillmere "$@"
