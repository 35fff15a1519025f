#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a user gets: the
# program (with no library path of its own), the guide as in the source, the desktop
# entry, its icon and the licence, and that the installed program's --help names the
# installed guide.
#     install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
prefix=$(realpath "$prefix")

fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

[[ -x $prefix/bin/quillmere ]] || fail "bin/quillmere is missing or not executable"
# Its libraries are all the system's: it carries no RPATH or RUNPATH.
"$source/tests/linking/check_runpath.sh" --none "$prefix/bin/quillmere" || fail "bin/quillmere carries a library path"
guide=$prefix/share/doc/quillmere/guide
for page in "$source"/docs/guide/*; do
  cmp -s "$page" "$guide/${page##*/}" || fail "guide/${page##*/} is not installed as it is in docs/guide"
done
cmp -s "$source/LICENSE" "$prefix/share/doc/quillmere/LICENSE" || fail "the licence is not installed"

entry=$prefix/share/applications/quillmere.desktop
[[ -f $entry ]] || fail "share/applications/quillmere.desktop is missing"
for line in Type=Application Name=Quillmere Exec=quillmere Icon=quillmere Terminal=false \
            'Categories=Graphics;2DGraphics;RasterGraphics;'; do
  grep -qxF "$line" "$entry" || fail "the desktop entry lacks $line"
done
grep -qE '^(GenericName|Comment)=.' "$entry" || fail "the desktop entry has no GenericName or Comment"

icons=$prefix/share/icons/hicolor
grep -q '<svg' "$icons/scalable/apps/quillmere.svg" 2>/dev/null || fail "the scalable icon is missing"
# A PNG's width and height are the big-endian words at bytes 16 and 20.
size=$(od -An -tx1 -j16 -N8 "$icons/48x48/apps/quillmere.png" 2>/dev/null | tr -d ' \n')
[[ $size == 0000003000000030 ]] || fail "the 48x48 icon is missing or not 48 x 48"

last=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/quillmere" --help | tail -n 1)
[[ $last == "User guide: $guide/index.html" ]] || fail "--help of the installed program ends with '$last'"
echo "installed and checked in $prefix"
