#!/usr/bin/env bash
# Builds the Debian package as a packager does: a clean clone of this
# checkout's commit (what is not committed is left out), its Build-Depends
# installed, and the plain `dpkg-buildpackage -us -uc -b`, which builds and
# runs the whole test suite once more. Too slow for the test command, so run by
# hand; says how long the build took.
#   scripts/package-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
[[ " ${DEB_BUILD_OPTIONS:-} ${DEB_BUILD_PROFILES:-} " != *" nocheck "* ]] ||
  { echo "package check: nocheck would skip the tests this check is for" >&2; exit 2; }
[[ -z $(git status --porcelain --untracked-files=no) ]] ||
  echo "package check: the changes not committed are left out" >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git clone -q --no-local "$PWD" "$work/quillmere"
git -C "$work/quillmere" checkout -q --detach "$(git rev-parse HEAD)"
cd "$work/quillmere"
scripts/install-build-deps.sh

start=$SECONDS
if ! dpkg-buildpackage -us -uc -b >"$work/build.log" 2>&1; then
  tail -n 100 "$work/build.log" >&2
  echo "package check: dpkg-buildpackage -us -uc -b failed after $(((SECONDS - start) / 60)) min" >&2
  exit 1
fi
grep -E '^[0-9]+% tests passed|^The following tests|\(Skipped\)$' "$work/build.log" || true
(cd "$work" && ls -1 -- *.deb *.buildinfo *.changes)
echo "package check: dpkg-buildpackage -us -uc -b passed in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
