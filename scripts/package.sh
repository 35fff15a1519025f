#!/usr/bin/env bash
# Makes the Debian package of Quillmere the way Debian packages are made
# (debian/, debhelper's CMake support, a release build) from the files of this
# checkout that git tracks, and prints the package's path as its last line.
#   scripts/package.sh [OUTPUT_FOLDER]   (build/package unless given)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

out=${1:-build/package}
version=$(dpkg-parsechangelog -S Version)
upstream=${version%-*}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Only tracked files, so nothing of a local build or scratch folder is packed.
src=$work/quillmere-$upstream
mkdir "$src"
git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$src"

(cd "$src" && DEB_BUILD_OPTIONS="parallel=$(nproc) nocheck" dpkg-buildpackage -b -us -uc) >&2

mkdir -p "$out"
deb=quillmere_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb
mv "$work/$deb" "$out/"
realpath "$out/$deb"
