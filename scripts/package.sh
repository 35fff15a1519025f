#!/usr/bin/env bash
# Makes the Debian packages of Quillmere the way Debian makes them (debian/,
# debhelper's CMake support, Debian's build flags) from the files of this
# checkout that git tracks: the source package, the program's package and its
# -dbgsym package, with their .changes and .buildinfo, all in OUTPUT_FOLDER. Prints
# the program package's path as its last line.
#   scripts/package.sh [OUTPUT_FOLDER]   (build/package unless given)
# The build builds and runs the tests, unless DEB_BUILD_OPTIONS holds nocheck
# (which also leaves out the test tools' Build-Depends). Only the Build-Depends
# are installed, when one is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-build-deps.sh

out=${1:-build/package}
version=$(dpkg-parsechangelog -S Version)
upstream=${version%-*}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The upstream tarball: only tracked files, so nothing of a local build or
# scratch folder is packed, and the same files always make the same bytes.
stamp=$(dpkg-parsechangelog -S Timestamp)
git ls-files -z | grep -zv '^debian/' |
  tar --null -T - --sort=name --mtime="@$stamp" --owner=0 --group=0 --numeric-owner --format=gnu \
    --transform="s,^,quillmere-$upstream/," -cf - | xz -6 >"$work/quillmere_$upstream.orig.tar.xz"
tar -xf "$work/quillmere_$upstream.orig.tar.xz" -C "$work"
git ls-files -z debian | tar --null -T - -cf - | tar -xf - -C "$work/quillmere-$upstream"

options=${DEB_BUILD_OPTIONS:-}
[[ " $options " == *" parallel="* ]] || options="parallel=$(nproc) $options"
profiles=()
[[ " $options ${DEB_BUILD_PROFILES:-} " == *" nocheck "* ]] && profiles=(-Pnocheck)
(cd "$work/quillmere-$upstream" && DEB_BUILD_OPTIONS=$options dpkg-buildpackage -us -uc "${profiles[@]}") >&2

# Everything the build made: the source package, the packages, .changes and .buildinfo.
mkdir -p "$out"
find "$work" -maxdepth 1 -type f -exec mv -t "$out" {} +
realpath "$out/quillmere_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb"
